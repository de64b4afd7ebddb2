// The client's settings: one record in memory and its JSON file in the home
// directory.
#pragma once

#include <glib.h>

#include <cstddef>
#include <string_view>

#include "base/ptr.h"

namespace kesta {

// The public key a service's certificate was first seen with, for a
// certificate no authority of the system vouches for.
struct TrustedCertificate {
  // "host:port" ("[host]:port" for an IPv6 address); empty in a free slot.
  char host_port[264];
  // "SHA256:" and the base64 of the SHA-256 of the SubjectPublicKeyInfo.
  char fingerprint[64];
};

// A terminal is pointed at a service or two in its life; when the table is
// full, the oldest pin makes room for a new one.
inline constexpr std::size_t kMaxTrustedCertificates = 32;

struct ClientConfig {
  char server_address[256];
  gint32 maclogin;
  char protocol[32];
  char username[64];
  char encrypted_password[512];
  gint32 save_credentials;
  gint32 setting;
  // In the order they were pinned; the used slots come first.
  TrustedCertificate trusted_certificates[kMaxTrustedCertificates];
  // A shared terminal: the desktop window signs out once the last remote
  // session it opened has ended.
  gint32 logout_on_session_end;
};

// The one configuration of the process; all zero until load_config runs.
extern ClientConfig app_config;

void apply_config_defaults(ClientConfig& config) noexcept;

// The fingerprint kept for host_port, or null.
const char* find_trusted_certificate(const ClientConfig& config, std::string_view host_port) noexcept;
// Keeps the fingerprint for host_port, replacing the one kept before; false
// (nothing kept) when either does not fit its field.
bool trust_certificate(ClientConfig& config, std::string_view host_port, std::string_view fingerprint) noexcept;
// Forgets the fingerprint of host_port; true when one was kept.
bool forget_trusted_certificate(ClientConfig& config, std::string_view host_port) noexcept;

// "$HOME/.kestaconfig2.json", or null when there is no home directory.
GCharPtr config_file_path();

// Reads the file at path into config (defaults first).  True when the file
// held a JSON object.
bool load_config_file(const char* path, ClientConfig& config);
// The same for the file's text.
bool load_config_data(std::string_view text, ClientConfig& config);
// Replaces the file at path with config, atomically and owner-only.
bool save_config_file(const char* path, const ClientConfig& config);

// The same for app_config and the file in the home directory.
bool load_config();
bool save_config();

}  // namespace kesta

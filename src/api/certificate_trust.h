// Which certificates of the service the client trusts, decided during the
// TLS handshake, before a byte of a request is sent: one that the
// certificate authorities vouch for for its host, and otherwise one whose
// public key is the one pinned for its host and port in app_config.  The
// first connection to a host and port without a pin pins the key it meets
// (trust on first use), so that a self-signed service works and nobody can
// swap its certificate later.
#pragma once

#include <gio/gio.h>
#include <libsoup/soup.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/i18n.h"

namespace kesta {

// A certificate refused because its key is not the one pinned.
struct CertificateChange {
  std::string host_port;
  std::string pinned;     // the fingerprint kept
  std::string presented;  // the fingerprint of the refused certificate
};

// Where the handshakes of one request leave a refusal for it.
using ChangeSlot = std::shared_ptr<std::optional<CertificateChange>>;

// "SHA256:" and the base64 of the SHA-256 of the certificate's
// SubjectPublicKeyInfo, as
//   openssl x509 -pubkey -noout | openssl pkey -pubin -outform der |
//   openssl dgst -sha256 -binary | base64
// prints it; empty when the certificate cannot be read.  A certificate
// renewed with the same key keeps its fingerprint.
std::string spki_fingerprint(GTlsCertificate* certificate);

// The pin's key for an "https" or "wss" URI: "host:port", "[host]:port" for
// an IPv6 address, with the scheme's port when none is given.  Nothing for
// any other URI.
std::optional<std::string> pin_key(SoupURI* uri);
// The same for a server address as configured.
std::optional<std::string> pin_key(const char* server_address);

enum class PinVerdict {
  Matches,     // the key is the one pinned
  FirstUse,    // nothing pinned yet: the key is pinned now
  Changed,     // another key is pinned
  Unreadable,  // the certificate gave no fingerprint
};

// A certificate the authorities do not vouch for, with its fingerprint
// presented, against the pin (null when none is kept).
PinVerdict judge_certificate(const char* pinned, std::string_view presented) noexcept;

// What the user is told of a refused certificate (translated), or printed
// (as it is).
std::string certificate_change_message(const CertificateChange& change, Translate text = translated);

// Makes the session check certificates at the handshake and judges every
// handshake made for the message as above; a changed certificate that was
// refused is put into slot (which may be null).  Prints a line when it pins
// a key or refuses a certificate.
void check_certificates(SoupSession* session, SoupMessage* message, ChangeSlot slot);

// The authorities the sessions trust instead of the system's (null: the
// system's again).  The tests' own authority comes in here.
void set_certificate_authorities(GTlsDatabase* database);

}  // namespace kesta

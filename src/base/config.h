// The client's settings: one record in memory and its JSON file in the home
// directory.
#pragma once

#include <glib.h>

#include <string_view>

#include "base/ptr.h"

namespace kesta {

struct ClientConfig {
  char server_address[256];
  gint32 maclogin;
  char protocol[32];
  char username[64];
  char encrypted_password[512];
  gint32 save_credentials;
  gint32 setting;
};

// The one configuration of the process; all zero until load_config runs.
extern ClientConfig app_config;

void apply_config_defaults(ClientConfig& config) noexcept;

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

// The two configurations the durability tests save over each other: every
// field differs, and so does the length of the file.
#pragma once

#include <cstring>

#include "base/config.h"
#include "base/fixed_text.h"

namespace kesta::test {

inline ClientConfig old_config() {
  ClientConfig c{};
  apply_config_defaults(c);
  copy_fixed(c.server_address, "https://old.example.org:8443");
  copy_fixed(c.protocol, "freerdp");
  copy_fixed(c.username, "alice");
  copy_fixed(c.encrypted_password, "83204730bd280e42ae8a70036b3f4147");
  return c;
}

inline ClientConfig new_config() {
  ClientConfig c{};
  apply_config_defaults(c);
  copy_fixed(c.server_address, "http://127.0.0.1:8080/新的/地址");
  c.maclogin = 1;
  copy_fixed(c.protocol, "spice");
  copy_fixed(c.username, "鲍勃");
  copy_fixed(c.encrypted_password, "5d1e7c7f0a4b1c2d3e4f5a6b7c8d9e0f5d1e7c7f0a4b1c2d3e4f5a6b7c8d9e0f");
  c.setting = 1;
  return c;
}

inline bool same_config(const ClientConfig& a, const ClientConfig& b) {
  return std::strcmp(a.server_address, b.server_address) == 0 && a.maclogin == b.maclogin &&
         std::strcmp(a.protocol, b.protocol) == 0 && std::strcmp(a.username, b.username) == 0 &&
         std::strcmp(a.encrypted_password, b.encrypted_password) == 0 &&
         a.save_credentials == b.save_credentials && a.setting == b.setting;
}

}  // namespace kesta::test

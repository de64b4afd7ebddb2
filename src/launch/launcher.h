// What every viewer launcher takes and gives back.
#pragma once

#include <gtk/gtk.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "api/pool_settings.h"

namespace kesta {

// The connection details of one VM; the texts and the window are borrowed
// for the call.
struct LaunchRequest {
  std::string_view address;   // the VM's "ip"
  std::string_view username;  // the login user name of the configuration
  std::string_view password;  // the stored password in plain text, or empty
  GtkWindow* window = nullptr;  // the desktop window, carrying "vm_id" and "vm_data"
  PoolSettings pool;            // the pool settings of the reply
};

// Either the viewer was started, or the message says why not.
struct LaunchResult {
  // The message travels in a 512-byte field elsewhere, so it keeps at most
  // 511 bytes.
  static constexpr std::size_t kMessageSize = 512;

  bool started = false;
  std::string message;

  static LaunchResult success() { return {true, {}}; }
  // Cut to at most 511 bytes, and never inside a UTF-8 character.
  static LaunchResult failure(std::string_view message);
};

using Launcher = LaunchResult (*)(const LaunchRequest& request);

}  // namespace kesta

// The device-redirection flags of a pool ("resource", a JSON object carried
// as text).
#pragma once

#include <json-glib/json-glib.h>

#include <optional>
#include <string>

namespace kesta {

// Each flag is absent, true or false: some viewers change their defaults
// only for a flag that is present.
struct ResourceFlags {
  std::optional<bool> usbs, sounds, drives, mic, clipboard, printers, multimon, serial, home, debug;
  std::optional<std::string> usbfilter;
};

// Nothing when the pool has no "resource" text or it does not hold a JSON
// object; pool may be null.
std::optional<ResourceFlags> read_resource_flags(JsonObject* pool);

}  // namespace kesta

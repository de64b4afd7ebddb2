// The RDP display parameters of a pool ("connectparam", a JSON object
// carried as text).
#pragma once

#include <json-glib/json-glib.h>

#include <optional>
#include <string>

namespace kesta {

struct DisplayParams {
  // "connectparam" was given but is not a JSON object: then no display
  // option is given at all.  A pool without "connectparam" reads like an
  // empty object.
  bool unreadable = false;
  std::optional<gint64> bpp;
  std::optional<std::string> decode;
  std::optional<std::string> network;
};

// pool may be null.
DisplayParams read_display_params(JsonObject* pool);

}  // namespace kesta

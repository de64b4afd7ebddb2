#include "launch/display_params.h"

#include "launch/json_member.h"

namespace kesta {

DisplayParams read_display_params(JsonObject* pool) {
  DisplayParams params;
  const char* text = json::text(pool, "connectparam");
  if (!text) return params;
  JsonObjectPtr object = json::parse_object(text);
  if (!object) {
    params.unreadable = true;
    return params;
  }
  params.bpp = json::integer(object.get(), "bpp");
  if (const char* decode = json::text(object.get(), "decode")) params.decode = decode;
  if (const char* network = json::text(object.get(), "network")) params.network = network;
  return params;
}

}  // namespace kesta

#include "launch/resource_flags.h"

#include "launch/json_member.h"

namespace kesta {

std::optional<ResourceFlags> read_resource_flags(JsonObject* pool) {
  JsonObjectPtr resource = json::parse_object(json::text(pool, "resource"));
  if (!resource) return std::nullopt;
  JsonObject* r = resource.get();
  ResourceFlags flags;
  flags.usbs = json::flag(r, "usbs");
  flags.sounds = json::flag(r, "sounds");
  flags.drives = json::flag(r, "drives");
  flags.mic = json::flag(r, "mic");
  flags.clipboard = json::flag(r, "clipboard");
  flags.printers = json::flag(r, "printers");
  flags.multimon = json::flag(r, "multimon");
  flags.serial = json::flag(r, "serial");
  flags.home = json::flag(r, "home");
  flags.debug = json::flag(r, "debug");
  if (const char* filter = json::text(r, "usbfilter")) flags.usbfilter = filter;
  return flags;
}

}  // namespace kesta

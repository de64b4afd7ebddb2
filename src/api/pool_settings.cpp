#include "api/pool_settings.h"

#include <utility>

#include "base/json_read.h"

namespace kesta {

namespace {

using Flag = std::optional<bool> ResourceFlags::*;
constexpr std::pair<const char*, Flag> kResourceFlags[] = {
    {"usbs", &ResourceFlags::usbs},         {"sounds", &ResourceFlags::sounds},
    {"drives", &ResourceFlags::drives},     {"mic", &ResourceFlags::mic},
    {"clipboard", &ResourceFlags::clipboard}, {"printers", &ResourceFlags::printers},
    {"multimon", &ResourceFlags::multimon}, {"serial", &ResourceFlags::serial},
    {"home", &ResourceFlags::home},         {"debug", &ResourceFlags::debug},
};

std::optional<std::string> optional_text(JsonObject* object, const char* key) {
  const char* text = string_member(object, key);
  return text ? std::optional<std::string>(text) : std::nullopt;
}

std::optional<GatewaySettings> read_gateway(JsonObject* pool) {
  JsonObject* gw = object_member(pool, "gw");
  if (flag_member(pool, "usegw") != true || !gw) return std::nullopt;
  return GatewaySettings{text_or_empty(gw, "gwtype"), text_or_empty(gw, "gwaddr"), text_or_empty(gw, "gwuser"),
                         optional_text(gw, "gwpassword")};
}

}  // namespace

std::optional<ResourceFlags> read_resource_flags(JsonObject* pool) {
  JsonObjectPtr resource = parse_object(string_member(pool, "resource"));
  if (!resource) return std::nullopt;
  ResourceFlags flags;
  for (const auto& [key, flag] : kResourceFlags) flags.*flag = flag_member(resource.get(), key);
  flags.usbfilter = optional_text(resource.get(), "usbfilter");
  return flags;
}

DisplayParams read_display_params(JsonObject* pool) {
  DisplayParams params;
  const char* text = string_member(pool, "connectparam");
  if (!text) return params;
  JsonObjectPtr object = parse_object(text);
  if (!object) {
    params.unreadable = true;
    return params;
  }
  params.bpp = int_member(object.get(), "bpp");
  params.decode = optional_text(object.get(), "decode");
  params.network = optional_text(object.get(), "network");
  return params;
}

PoolSettings read_pool_settings(JsonObject* pool) {
  PoolSettings settings;
  settings.connect_type = text_or_empty(pool, "connecttype");
  settings.rdp_port = int_member(pool, "rdpport");
  settings.account_type = optional_text(pool, "accounttype");
  settings.account_user = text_or_empty(pool, "accountUser");
  settings.account_password_cipher = optional_text(pool, "accountPassword");
  settings.gateway = read_gateway(pool);
  settings.resource = read_resource_flags(pool);
  settings.display = read_display_params(pool);
  return settings;
}

SpiceInfo read_spice_info(JsonObject* spice_info) {
  auto text_of = [spice_info](const char* key) { return text_or_empty(spice_info, key); };
  return SpiceInfo{text_of("ca"),
                   text_of("host"),
                   text_of("host-subject"),
                   text_of("password"),
                   text_of("proxy"),
                   text_of("release-cursor"),
                   text_of("secure-attention"),
                   text_of("title"),
                   text_of("toggle-fullscreen"),
                   int_member(spice_info, "tls-port").value_or(0)};
}

}  // namespace kesta

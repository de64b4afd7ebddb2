#include "launch/rdp_settings.h"

#include "base/cipher.h"
#include "launch/json_member.h"

namespace kesta {

namespace {

// A stored password in plain text; empty when the member is absent.
std::string decrypted(JsonObject* object, const char* key) {
  const char* cipher_text = json::text(object, key);
  if (!cipher_text) return {};
  return decrypt_password(cipher_text).get();
}

std::optional<RdpGateway> read_gateway(JsonObject* pool) {
  JsonObject* gw = json::object(pool, "gw");
  if (json::flag(pool, "usegw") != true || !gw) return std::nullopt;
  return RdpGateway{json::text_or_empty(gw, "gwtype"), json::text_or_empty(gw, "gwaddr"),
                    json::text_or_empty(gw, "gwuser"), decrypted(gw, "gwpassword")};
}

}  // namespace

const std::string& rdp_program(std::string_view connection_type, const ViewerPaths& paths) noexcept {
  return connection_type == "freerdp3" ? paths.xfreerdp3 : paths.xfreerdp;
}

RdpSettings read_rdp_settings(const LaunchRequest& request, const ViewerPaths& paths) {
  JsonObject* pool = request.pool;
  RdpSettings settings;
  settings.program = rdp_program(json::text_or_empty(pool, "connecttype"), paths);
  settings.address = request.address;
  settings.port = json::integer(pool, "rdpport").value_or(3389);
  if (const char* type = json::text(pool, "accounttype")) settings.account_type = type;
  settings.account_user = json::text_or_empty(pool, "accountUser");
  settings.account_password = decrypted(pool, "accountPassword");
  settings.login_user = request.username;
  settings.login_password = request.password;
  settings.gateway = read_gateway(pool);
  settings.resource = read_resource_flags(pool);
  settings.display = read_display_params(pool);
  return settings;
}

}  // namespace kesta

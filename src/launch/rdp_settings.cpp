#include "launch/rdp_settings.h"

#include "base/cipher.h"

namespace kesta {

namespace {

// A stored password in plain text; empty when the member is absent.
std::string decrypted(const std::optional<std::string>& cipher_text) {
  if (!cipher_text) return {};
  return decrypt_password(cipher_text->c_str()).get();
}

std::optional<RdpGateway> gateway_of(const PoolSettings& pool) {
  if (!pool.gateway) return std::nullopt;
  const GatewaySettings& gw = *pool.gateway;
  return RdpGateway{gw.type, gw.address, gw.user, decrypted(gw.password_cipher)};
}

}  // namespace

const std::string& rdp_program(std::string_view connection_type, const ViewerPaths& paths) noexcept {
  return connection_type == "freerdp3" ? paths.xfreerdp3 : paths.xfreerdp;
}

RdpSettings read_rdp_settings(const LaunchRequest& request, const ViewerPaths& paths) {
  const PoolSettings& pool = request.pool;
  RdpSettings settings;
  settings.program = rdp_program(pool.connect_type, paths);
  settings.address = request.address;
  settings.port = pool.rdp_port.value_or(3389);
  if (pool.account_type) settings.account_type = *pool.account_type;
  settings.account_user = pool.account_user;
  settings.account_password = decrypted(pool.account_password_cipher);
  settings.login_user = request.username;
  settings.login_password = request.password;
  settings.gateway = gateway_of(pool);
  settings.resource = pool.resource;
  settings.display = pool.display;
  return settings;
}

}  // namespace kesta

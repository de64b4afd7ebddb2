#include "launch/rdp.h"

#include <optional>
#include <string_view>
#include <utility>

#include "base/cipher.h"
#include "base/i18n.h"

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

constexpr gint64 kDefaultPort = 3389;
constexpr char kFromStdin[] = "/from-stdin:force";

struct Account {
  const std::string& user;
  const std::string& password;
};

// The account the credentials name, by account type; none for a type the
// pool settings do not know.
std::optional<Account> session_account(const RdpSettings& s) {
  if (s.account_type == "all") return Account{s.account_user, s.account_password};
  // The pool account's name serves as its password too.
  if (s.account_type == "user") return Account{s.account_user, s.account_user};
  if (s.account_type == "ad" || s.account_type == "none") return Account{s.login_user, s.login_password};
  return std::nullopt;
}

std::optional<Account> gateway_account(const RdpSettings& s) {
  if (!s.gateway) return std::nullopt;
  if (s.gateway->type == "public") return Account{s.gateway->user, s.gateway->password};
  if (s.gateway->type == "ad") return Account{s.login_user, s.login_password};
  return std::nullopt;
}

bool hands_over_passwords(const RdpSettings& s) { return session_account(s) || gateway_account(s); }

void add_gateway(std::vector<std::string>& argv, const RdpSettings& s) {
  if (!s.gateway) return;
  argv.push_back("/g:" + s.gateway->address);
  argv.emplace_back("/gt:auto,no-websockets");
  if (const std::optional<Account> account = gateway_account(s)) argv.push_back("/gu:" + account->user);
}

void add_redirection(std::vector<std::string>& argv, const std::optional<ResourceFlags>& resource) {
  if (!resource) return;
  // An optional flag equals true only when it is present and true.
  const ResourceFlags& r = *resource;
  if (r.usbs == true) argv.emplace_back("/usb:auto");
  if (r.sounds == true) argv.emplace_back("/sound");
  if (r.drives == true) argv.insert(argv.end(), {"+drives", "/drive:hotplug,*"});
  if (r.mic == true) argv.emplace_back("/microphone");
  if (r.clipboard == true) argv.emplace_back("/clipboard");
  if (r.printers == true) argv.emplace_back("/printer");
  if (r.multimon == true) argv.emplace_back("/multimon");
  if (r.serial == true) argv.emplace_back("/serial");
  if (r.home == true) argv.emplace_back("+home-drive");
}

void add_display(std::vector<std::string>& argv, const DisplayParams& display) {
  if (display.unreadable) return;
  if (display.bpp) argv.push_back("/bpp:" + std::to_string(*display.bpp));
  if (display.decode == "444")
    argv.emplace_back("/gfx:avc444");
  else if (display.decode == "420")
    argv.emplace_back("/gfx:avc420");
  else if (display.decode == "400")
    argv.emplace_back("/gfx:rfx");
  argv.push_back("/network:" + display.network.value_or("auto"));
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

std::vector<std::string> rdp_arguments(const RdpSettings& settings) {
  std::vector<std::string> argv{settings.program};
  std::string target = "/v:" + settings.address;
  if (settings.port != kDefaultPort) target += ":" + std::to_string(settings.port);
  argv.push_back(std::move(target));
  // Early in the line, where the length limit never drops it.
  if (hands_over_passwords(settings)) argv.emplace_back(kFromStdin);
  if (const std::optional<Account> account = session_account(settings)) argv.push_back("/u:" + account->user);
  add_gateway(argv, settings);
  add_redirection(argv, settings.resource);
  argv.emplace_back("/f");
  add_display(argv, settings.display);
  argv.insert(argv.end(), {"+auto-reconnect", "/auto-reconnect-max-retries:3", "/cert-ignore",
                           "/t:KESTA Remote Desktop", "/dynamic-resolution", "+multitouch", "/gdi:hw",
                           "+gestures", "/compression-level:2", "/codec-cache:rfx", "+gfx-progressive",
                           "+bitmap-cache"});
  return argv;
}

std::optional<std::string> rdp_standard_input(const RdpSettings& settings) {
  std::string input;
  if (!hands_over_passwords(settings)) return input;
  const std::optional<Account> account = session_account(settings);
  const std::optional<Account> gateway = gateway_account(settings);
  // FreeRDP asks for the password whenever the line has no /p:, even with no
  // account to go with it; then for the gateway's when a /gu: has no /gp:.
  const std::string none;
  for (const std::string* password : {account ? &account->password : &none, gateway ? &gateway->password : nullptr}) {
    if (!password) continue;
    // A line ends at a line break (FreeRDP 3 also at a carriage return) and
    // a C string at NUL: the rest would be the next password, or lost.
    if (password->find_first_of(std::string_view("\n\r\0", 3)) != std::string::npos) return std::nullopt;
    input.append(*password).append("\n");
  }
  return input;
}

LaunchResult launch_rdp(const LaunchRequest& request) {
  const RdpSettings settings = read_rdp_settings(request, viewer_paths);
  if (std::optional<LaunchResult> missing = missing_viewer(settings.program, N_("FreeRDP客户端"))) return *missing;
  const std::optional<std::string> input = rdp_standard_input(settings);
  if (!input) return LaunchResult::failure(_("启动RDP客户端失败: 密码含有换行符或空字符，无法交给FreeRDP"));
  return start_viewer(rdp_arguments(settings), N_("RDP客户端"), *input);
}

}  // namespace kesta

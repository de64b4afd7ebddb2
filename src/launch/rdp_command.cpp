#include "launch/rdp_command.h"

#include <utility>

namespace kesta {

namespace {

constexpr gint64 kDefaultPort = 3389;

void add_credentials(std::vector<std::string>& argv, const RdpSettings& s) {
  const std::string* user = nullptr;
  const std::string* password = nullptr;
  if (s.account_type == "all") {
    user = &s.account_user;
    password = &s.account_password;
  } else if (s.account_type == "user") {
    // The pool account's name serves as its password too.
    user = &s.account_user;
    password = &s.account_user;
  } else if (s.account_type == "ad" || s.account_type == "none") {
    user = &s.login_user;
    password = &s.login_password;
  } else {
    return;
  }
  argv.push_back("/u:" + *user);
  argv.push_back("/p:" + *password);
}

void add_gateway(std::vector<std::string>& argv, const RdpSettings& s) {
  if (!s.gateway) return;
  const RdpGateway& gw = *s.gateway;
  argv.push_back("/g:" + gw.address);
  argv.emplace_back("/gt:auto,no-websockets");
  if (gw.type == "public") {
    argv.push_back("/gu:" + gw.user);
    argv.push_back("/gp:" + gw.password);
  } else if (gw.type == "ad") {
    argv.push_back("/gu:" + s.login_user);
    argv.push_back("/gp:" + s.login_password);
  }
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

std::vector<std::string> rdp_arguments(const RdpSettings& settings) {
  std::vector<std::string> argv{settings.program};
  std::string target = "/v:" + settings.address;
  if (settings.port != kDefaultPort) target += ":" + std::to_string(settings.port);
  argv.push_back(std::move(target));
  add_credentials(argv, settings);
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

}  // namespace kesta

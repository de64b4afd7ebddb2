// Everything the FreeRDP command line is built from, read out of a request.
#pragma once

#include <glib.h>

#include <optional>
#include <string>
#include <string_view>

#include "api/pool_settings.h"
#include "launch/launcher.h"
#include "launch/viewer_paths.h"

namespace kesta {

struct RdpGateway {
  std::string type;  // "public", "ad", or anything else for no gateway account
  std::string address;
  std::string user;
  std::string password;  // decrypted
};

struct RdpSettings {
  std::string program;
  std::string address;
  gint64 port = 3389;
  std::string account_type = "all";
  std::string account_user;
  std::string account_password;  // decrypted
  std::string login_user;
  std::string login_password;
  // Only when the pool has "usegw" true and a "gw" object.
  std::optional<RdpGateway> gateway;
  std::optional<ResourceFlags> resource;
  DisplayParams display;
};

// xfreerdp3 for pools typed "freerdp3", the older xfreerdp for every other
// type, "all" included.
const std::string& rdp_program(std::string_view connection_type, const ViewerPaths& paths) noexcept;

// Reads the pool settings with their defaults and decrypts the stored
// account and gateway passwords.
RdpSettings read_rdp_settings(const LaunchRequest& request, const ViewerPaths& paths);

}  // namespace kesta

// Opening an RDP pool with FreeRDP: its settings, command line and standard input.
#pragma once

#include <glib.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "api/pool_settings.h"
#include "launch/viewer.h"

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

// Target and port, user names by account type, gateway, redirection flags,
// full screen, display parameters and the fixed tail of options.  Every
// value is one argument of its own, whatever characters it holds.  No
// password: any local user can read a process's arguments, so when there
// are passwords, "/from-stdin:force" follows the target and FreeRDP reads
// them from its standard input before it connects.
std::vector<std::string> rdp_arguments(const RdpSettings& settings);

// What FreeRDP reads from its standard input for that command line: the
// password, then the gateway's when there is a gateway account, each on a
// line of its own; empty when the line names no account at all.  Nothing
// when a password holds a line break, a carriage return or a NUL, which no
// line can carry.
std::optional<std::string> rdp_standard_input(const RdpSettings& settings);

// The VM id and configuration of the request are not used.
LaunchResult launch_rdp(const LaunchRequest& request);

}  // namespace kesta

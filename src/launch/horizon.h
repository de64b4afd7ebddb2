// Opening a Blast or PCoIP pool with the VMware Horizon client.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "api/pool_settings.h"
#include "launch/viewer.h"

namespace kesta {

struct HorizonSettings {
  std::string program;
  std::string protocol;  // the pool's own "connecttype": "blast", "pcoip" or "all"
  std::string address;
  std::string user;
  std::string password;
  std::optional<ResourceFlags> resource;
};

HorizonSettings read_horizon_settings(const LaunchRequest& request, const ViewerPaths& paths);

// The fixed options around server and credentials, then, when the pool has
// redirection flags, the USB pair and the monitors option.  Every value is
// one argument of its own.
std::vector<std::string> horizon_arguments(const HorizonSettings& settings);

// The VM id and configuration of the request are not used.
LaunchResult launch_horizon(const LaunchRequest& request);

}  // namespace kesta

// Opening a SPICE pool with remote-viewer.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "api/pool_settings.h"
#include "launch/viewer.h"

namespace kesta {

// Full screen on the connection file, then the options of the pool's
// redirection flags: "usbs" and "sounds" only when present and false, "home"
// and "debug" only when present and true, and the USB filter when given.
std::vector<std::string> spice_arguments(const std::string& program, const std::string& file_path,
                                         const std::optional<ResourceFlags>& resource);

// Writes the connection file from the "spriceInfo" of the window's "vm_data"
// and starts remote-viewer on it; the address and credentials of the
// request are not used, the file carries everything.
LaunchResult launch_spice(const LaunchRequest& request);

}  // namespace kesta

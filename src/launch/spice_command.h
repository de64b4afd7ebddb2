// The command line of remote-viewer.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "api/pool_settings.h"

namespace kesta {

// Full screen on the connection file, then the options of the pool's
// redirection flags: "usbs" and "sounds" only when present and false, "home"
// and "debug" only when present and true, and the USB filter when given.
std::vector<std::string> spice_arguments(const std::string& program, const std::string& file_path,
                                         const std::optional<ResourceFlags>& resource);

}  // namespace kesta

// Opening a SPICE pool with remote-viewer.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "api/pool_settings.h"
#include "launch/viewer.h"

namespace kesta {

// Full screen on the connection file ("-": its text on standard input),
// then the options of the pool's redirection flags: "usbs" and "sounds"
// only when present and false, "home" (sharing home_dir) and "debug" only
// when present and true, and the USB filter when given.
std::vector<std::string> spice_arguments(const std::string& program, const std::string& file_path,
                                         const std::optional<ResourceFlags>& resource, std::string_view home_dir);

// Starts remote-viewer on the connection text made of the "spriceInfo" of
// the request's configuration; the address and credentials of the request
// are not used, the text carries everything.  The text, password included,
// goes through a pipe, so that it never rests on disk; only a text too
// long for a pipe is written to a file, which the viewer deletes once it
// has read it.
LaunchResult launch_spice(const LaunchRequest& request);

}  // namespace kesta

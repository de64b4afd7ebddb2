// Opening a SPICE pool with remote-viewer.
#pragma once

#include "launch/launcher.h"

namespace kesta {

// Writes the connection file from the "spriceInfo" of the window's "vm_data"
// and starts remote-viewer on it; the address and credentials of the
// request are not used, the file carries everything.
LaunchResult launch_spice(const LaunchRequest& request);

}  // namespace kesta

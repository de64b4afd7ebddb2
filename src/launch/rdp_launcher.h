// Opening an RDP pool with FreeRDP.
#pragma once

#include "launch/launcher.h"

namespace kesta {

// The window of the request is not used.
LaunchResult launch_rdp(const LaunchRequest& request);

}  // namespace kesta

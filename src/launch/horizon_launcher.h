// Opening a Blast or PCoIP pool with the VMware Horizon client.
#pragma once

#include "launch/launcher.h"

namespace kesta {

// The window of the request is not used.
LaunchResult launch_horizon(const LaunchRequest& request);

}  // namespace kesta

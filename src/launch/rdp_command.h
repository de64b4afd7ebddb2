// The command line of FreeRDP.
#pragma once

#include <string>
#include <vector>

#include "launch/rdp_settings.h"

namespace kesta {

// Target and port, credentials by account type, gateway, redirection flags,
// full screen, display parameters and the fixed tail of options.  Every
// value is one argument of its own, whatever characters it holds.
std::vector<std::string> rdp_arguments(const RdpSettings& settings);

}  // namespace kesta

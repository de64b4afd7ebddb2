// The command line of FreeRDP.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "launch/rdp_settings.h"

namespace kesta {

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

}  // namespace kesta

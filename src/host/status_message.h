// The status report the terminal sends on its status channel.
#pragma once

#include <string>

namespace kesta {

// {"type":"status","memory":..,"cpu":..,"hostname":".."} in this order,
// compact, always valid UTF-8.  Measures the load (add_system_stats), so
// the first message of the process has no "cpu".
std::string status_message(const char* host_name);

}  // namespace kesta

// The length limit of a viewer's command line.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kesta {

// The command line, its arguments joined by single spaces, keeps at most
// this many bytes.
inline constexpr std::size_t kMaxCommandLine = 4095;

// Keeps the arguments from the first on for as long as the line stays within
// kMaxCommandLine; the first argument that would cross it and all after it
// are dropped whole.  No argument is ever cut: half an option or half a
// password would mean something else to the viewer.
std::vector<std::string> fit_command_line(std::vector<std::string> argv);

}  // namespace kesta

#include "launch/command_line.h"

namespace kesta {

std::vector<std::string> fit_command_line(std::vector<std::string> argv) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < argv.size(); ++i) {
    const std::size_t added = argv[i].size() + (i > 0 ? 1 : 0);
    if (added > kMaxCommandLine - length) {
      argv.resize(i);
      break;
    }
    length += added;
  }
  return argv;
}

}  // namespace kesta

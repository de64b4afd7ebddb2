#include "launch/spice_command.h"

namespace kesta {

std::vector<std::string> spice_arguments(const std::string& program, const std::string& file_path,
                                         const std::optional<ResourceFlags>& resource) {
  std::vector<std::string> argv{program, "-f", file_path};
  if (!resource) return argv;
  // An optional flag equals false or true only when it is present.
  if (resource->usbs == false) argv.emplace_back("--spice-disable-usbredir");
  if (resource->sounds == false) argv.emplace_back("--spice-disable-audio");
  // The tilde is for the viewer to read: no shell runs to expand it.
  if (resource->home == true) argv.emplace_back("--spice-shared-dir=~/");
  if (resource->debug == true) argv.emplace_back("--spice-debug");
  if (resource->usbfilter) argv.push_back("--spice-usbredir-auto-redirect-filter=" + *resource->usbfilter);
  return argv;
}

}  // namespace kesta

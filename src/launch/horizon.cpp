#include "launch/horizon.h"

#include "base/i18n.h"

namespace kesta {

HorizonSettings read_horizon_settings(const LaunchRequest& request, const ViewerPaths& paths) {
  return HorizonSettings{paths.vmware_view,
                         request.pool.connect_type,
                         std::string(request.address),
                         std::string(request.username),
                         std::string(request.password),
                         request.pool.resource};
}

std::vector<std::string> horizon_arguments(const HorizonSettings& settings) {
  std::vector<std::string> argv{settings.program,
                                "--protocol=" + settings.protocol,
                                "--serverURL=" + settings.address,
                                "--desktopSize=small",
                                "--nomenubar",
                                "--userName=" + settings.user,
                                "--password=" + settings.password,
                                "--launchMinimized",
                                "--singleAutoConnect",
                                "--skipCRLRevocationCheck",
                                "--hideClientAfterLaunchSession=TRUE",
                                "--nonInteractive",
                                "--useExisting"};
  if (!settings.resource) return argv;
  // The client's own sense of these options is the reverse of the flag:
  // with "usbs" false the devices connect on their own.
  const char* automatic = settings.resource->usbs == false ? "TRUE" : "FALSE";
  argv.push_back(std::string("--usbAutoConnectOnInsert=") + automatic);
  argv.push_back(std::string("--usbAutoConnectAtStartUp=") + automatic);
  if (settings.resource->multimon == true) argv.emplace_back("--allmonitors");
  return argv;
}

LaunchResult launch_horizon(const LaunchRequest& request) {
  const HorizonSettings settings = read_horizon_settings(request, viewer_paths);
  if (std::optional<LaunchResult> missing = missing_viewer(settings.program, N_("VMware Horizon客户端")))
    return *missing;
  return start_viewer(horizon_arguments(settings), N_("Blast客户端"));
}

}  // namespace kesta

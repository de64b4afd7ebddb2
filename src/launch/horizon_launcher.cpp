#include "launch/horizon_launcher.h"

#include "base/ptr.h"
#include "launch/command_line.h"
#include "launch/horizon_command.h"
#include "launch/spawn.h"

namespace kesta {

LaunchResult launch_horizon(const LaunchRequest& request) {
  const HorizonSettings settings = read_horizon_settings(request, viewer_paths);
  const std::string& program = settings.program;
  if (!g_file_test(program.c_str(), G_FILE_TEST_EXISTS))
    return LaunchResult::failure("未找到VMware Horizon客户端，请确认已安装: " + program);
  Error error;
  if (!spawn_detached(fit_command_line(horizon_arguments(settings)), error))
    return LaunchResult::failure(std::string("启动Blast客户端失败: ") + error.message_or(""));
  return LaunchResult::success();
}

}  // namespace kesta

#include "launch/rdp_launcher.h"

#include "base/ptr.h"
#include "launch/command_line.h"
#include "launch/rdp_command.h"
#include "launch/spawn.h"

namespace kesta {

LaunchResult launch_rdp(const LaunchRequest& request) {
  const RdpSettings settings = read_rdp_settings(request, viewer_paths);
  if (!g_file_test(settings.program.c_str(), G_FILE_TEST_EXISTS))
    return LaunchResult::failure("未找到FreeRDP客户端，请确认已安装: " + settings.program);
  const std::optional<std::string> input = rdp_standard_input(settings);
  if (!input) return LaunchResult::failure("启动RDP客户端失败: 密码含有换行符或空字符，无法交给FreeRDP");
  Error error;
  if (!spawn_detached(fit_command_line(rdp_arguments(settings)), error, *input))
    return LaunchResult::failure(std::string("启动RDP客户端失败: ") + error.message_or(""));
  return LaunchResult::success();
}

}  // namespace kesta

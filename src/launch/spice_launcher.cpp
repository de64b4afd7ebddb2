#include "launch/spice_launcher.h"

#include "api/vm_config.h"
#include "base/ptr.h"
#include "launch/command_line.h"
#include "launch/spawn.h"
#include "launch/spice_command.h"
#include "launch/spice_file.h"
#include "launch/viewer_paths.h"
#include "ui/data_keys.h"

namespace kesta {

namespace {

void* window_data(GtkWindow* window, const char* key) noexcept {
  return window ? g_object_get_data(G_OBJECT(window), key) : nullptr;
}

}  // namespace

LaunchResult launch_spice(const LaunchRequest& request) {
  const std::string& program = viewer_paths.remote_viewer;
  if (!g_file_test(program.c_str(), G_FILE_TEST_EXISTS))
    return LaunchResult::failure("未找到SPICE客户端，请确认已安装: " + program);

  const auto* vm_id = static_cast<const char*>(window_data(request.window, keys::kVmId));
  if (!vm_id) return LaunchResult::failure("无法获取虚拟机ID");

  const auto* vm_data = static_cast<const VmConfig*>(window_data(request.window, keys::kVmData));
  if (!vm_data || !vm_data->spice) return LaunchResult::failure("服务器没有提供SPICE连接信息");

  const std::optional<std::string> file = write_spice_file(vm_id, &*vm_data->spice);
  if (!file) return LaunchResult::failure("创建SPICE连接文件失败");

  Error error;
  if (!spawn_detached(fit_command_line(spice_arguments(program, *file, request.pool.resource)),
                      error))
    return LaunchResult::failure(std::string("启动SPICE客户端失败: ") + error.message_or(""));
  return LaunchResult::success();
}

}  // namespace kesta

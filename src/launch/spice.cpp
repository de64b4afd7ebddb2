#include "launch/spice.h"

#include <glib/gstdio.h>

#include "base/i18n.h"
#include "launch/spawn.h"
#include "launch/spice_file.h"

namespace kesta {

std::vector<std::string> spice_arguments(const std::string& program, const std::string& file_path,
                                         const std::optional<ResourceFlags>& resource, std::string_view home_dir) {
  std::vector<std::string> argv{program, "-f", file_path};
  if (!resource) return argv;
  // An optional flag equals false or true only when it is present.
  if (resource->usbs == false) argv.emplace_back("--spice-disable-usbredir");
  if (resource->sounds == false) argv.emplace_back("--spice-disable-audio");
  // A path of its own: no shell runs that would expand a tilde.
  if (resource->home == true) argv.push_back("--spice-shared-dir=" + std::string(home_dir));
  if (resource->debug == true) argv.emplace_back("--spice-debug");
  if (resource->usbfilter) argv.push_back("--spice-usbredir-auto-redirect-filter=" + *resource->usbfilter);
  return argv;
}

LaunchResult launch_spice(const LaunchRequest& request) {
  const std::string& program = viewer_paths.remote_viewer;
  if (std::optional<LaunchResult> missing = missing_viewer(program, N_("SPICE客户端"))) return *missing;

  const char* vm_id = request.vm_id;
  if (!vm_id) return LaunchResult::failure(_("无法获取虚拟机ID"));

  const VmConfig* vm_data = request.config;
  if (!vm_data || !vm_data->spice) return LaunchResult::failure(_("服务器没有提供SPICE连接信息"));

  const std::optional<std::string> text = spice_file_text(*vm_data->spice);
  if (!text) return LaunchResult::failure(_("创建SPICE连接文件失败"));
  const std::optional<ResourceFlags>& resource = request.pool.resource;
  const char* home = g_get_home_dir();

  Error error;
  const UniqueFd piped = filled_pipe(*text, error);
  if (error.get()) return LaunchResult::failure(std::string(_("启动SPICE客户端失败: ")) + error.message_or(""));
  // remote-viewer reads its connection file from standard input when the
  // file is "-".
  if (piped.get() >= 0) return start_viewer(spice_arguments(program, "-", resource, home), N_("SPICE客户端"), piped);

  const std::optional<std::string> file = write_spice_file(vm_id, &*vm_data->spice);
  if (!file) return LaunchResult::failure(_("创建SPICE连接文件失败"));
  LaunchResult result = start_viewer(spice_arguments(program, *file, resource, home), N_("SPICE客户端"));
  // The viewer that would have deleted it did not start.
  if (!result.started) g_unlink(file->c_str());
  return result;
}

}  // namespace kesta

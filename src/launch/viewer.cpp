#include "launch/viewer.h"

#include <utility>

#include "base/fixed_text.h"
#include "base/i18n.h"
#include "base/ptr.h"
#include "launch/spawn.h"

namespace kesta {

ViewerPaths viewer_paths;

namespace {

// The viewer's name is printed as it is and shown translated.
std::string shown_name(std::string_view name) { return _(std::string(name).c_str()); }

LaunchResult start_failure(std::string_view name, const Error& error) {
  const GCharPtr text(g_strdup_printf(_("启动%s失败: %s"), shown_name(name).c_str(), error.message_or("")));
  return LaunchResult::failure(text.get());
}

}  // namespace

LaunchResult LaunchResult::failure(std::string_view message) {
  char field[kMessageSize];
  copy_fixed(field, message);
  return {false, field};
}

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

std::optional<LaunchResult> missing_viewer(const std::string& program, std::string_view name) {
  if (g_file_test(program.c_str(), G_FILE_TEST_EXISTS)) return std::nullopt;
  const GCharPtr text(g_strdup_printf(_("未找到%s，请确认已安装: %s"), shown_name(name).c_str(), program.c_str()));
  return LaunchResult::failure(text.get());
}

LaunchResult start_viewer(std::vector<std::string> argv, std::string_view name, std::string_view input) {
  Error error;
  const GPid pid = spawn_viewer(fit_command_line(std::move(argv)), name, error, input);
  if (!pid) return start_failure(name, error);
  return LaunchResult::success(pid);
}

LaunchResult start_viewer(std::vector<std::string> argv, std::string_view name, const UniqueFd& standard_input) {
  Error error;
  const GPid pid = spawn_viewer(fit_command_line(std::move(argv)), name, standard_input, error);
  if (!pid) return start_failure(name, error);
  return LaunchResult::success(pid);
}

}  // namespace kesta

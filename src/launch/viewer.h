// What every viewer launcher takes and gives back, where the viewer
// programs are, and starting one.
#pragma once

#include <glib.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "api/pool_settings.h"
#include "api/vm_config.h"
#include "base/ptr.h"

namespace kesta {

struct ViewerPaths {
  std::string remote_viewer = "/usr/bin/remote-viewer";
  std::string xfreerdp3 = "/usr/bin/xfreerdp3";
  std::string xfreerdp = "/usr/bin/xfreerdp";
  std::string vmware_view = "/usr/bin/vmware-view";
};

// The programs the launchers start.  Tests put stand-in programs here (and
// restore ViewerPaths{} afterwards), so that no test starts a real viewer.
extern ViewerPaths viewer_paths;

// The connection details of one VM; the texts and the configuration are
// borrowed for the call.
struct LaunchRequest {
  std::string_view address;   // the VM's "ip"
  std::string_view username;  // the login user name of the configuration
  std::string_view password;  // the stored password in plain text, or empty
  PoolSettings pool;          // the pool settings of the reply
  const char* vm_id = nullptr;       // the VM's id; null when unknown
  const VmConfig* config = nullptr;  // the whole configuration reply's data; null when there is none
};

// Either the viewer was started, with its process id, or the message says
// why not.
struct LaunchResult {
  // A message is cut to fit a buffer of this size with its NUL: the
  // "连接失败" dialog shows at most 511 bytes.
  static constexpr std::size_t kMessageSize = 512;

  bool started = false;
  std::string message;
  GPid pid = 0;

  static LaunchResult success(GPid pid) { return {true, {}, pid}; }
  // Cut to at most 511 bytes, and never inside a UTF-8 character.
  static LaunchResult failure(std::string_view message);
};

using Launcher = LaunchResult (*)(const LaunchRequest& request);

// The command line, its arguments joined by single spaces, keeps at most
// this many bytes.
inline constexpr std::size_t kMaxCommandLine = 4095;

// Keeps the arguments from the first on for as long as the line stays within
// kMaxCommandLine; the first argument that would cross it and all after it
// are dropped whole.  No argument is ever cut: half an option or half a
// password would mean something else to the viewer.
std::vector<std::string> fit_command_line(std::vector<std::string> argv);

// What every launcher says when it cannot go on: "未找到<name>，请确认已安装:
// <program>" when the program is not installed, else nothing.
std::optional<LaunchResult> missing_viewer(const std::string& program, std::string_view name);

// Starts argv[0] with the arguments that fit the command line, with input on
// its standard input, and watches it (spawn_viewer): its output is printed
// under name; "启动<name>失败: <reason>" when it could not be started.
LaunchResult start_viewer(std::vector<std::string> argv, std::string_view name, std::string_view input = {});

// The same with standard input from a filled_pipe.
LaunchResult start_viewer(std::vector<std::string> argv, std::string_view name, const UniqueFd& standard_input);

}  // namespace kesta

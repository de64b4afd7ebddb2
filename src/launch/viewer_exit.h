// What the end of a viewer means to the user.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kesta {

// How a viewer process ended, and the last error line it wrote (already
// made readable).
struct ViewerEnd {
  std::string name;    // the viewer's name, such as "RDP客户端"
  bool exited = true;  // by itself; false when a signal ended it
  int code = 0;        // its exit status, or the signal
  std::string last_error;
};

// Whether a line the viewer wrote reports an error: every line on standard
// error, and a line on standard output that says "ERROR" (FreeRDP logs
// there).
bool is_error_line(bool from_stderr, std::string_view line) noexcept;

// The "连接失败" message for a viewer that ended, or nothing for a normal
// end: a clean exit, the user closing the session or signing off in the VM,
// or a signal that asks a program to stop (as "重新连接" sends).  FreeRDP's
// exit statuses name the cause; any other failure shows the viewer's last
// error line.  address is the VM's.
std::optional<std::string> session_failure(bool freerdp, std::string_view address, const ViewerEnd& end);

}  // namespace kesta

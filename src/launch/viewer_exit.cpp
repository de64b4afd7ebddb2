#include "launch/viewer_exit.h"

#include <csignal>

#include "base/fixed_text.h"
#include "base/i18n.h"

namespace kesta {

namespace {

// FreeRDP's exit statuses (XF_EXIT_* of its X11 client).
enum FreeRdpExit : int {
  kSuccess = 0,
  kDisconnect = 1,
  kLogoff = 2,
  kDisconnectByUser = 11,
  kConnFailed = 131,
  kAuthFailure = 132,
  kNegoFailure = 133,
  kLogonFailure = 134,
  kAccountLockedOut = 135,
  kDnsError = 139,
  kDnsNameNotFound = 140,
  kConnectFailed = 141,
  kTlsConnectFailed = 143,
  kConnectCancelled = 145,
  kTransportFailed = 147,
  kPasswordExpired = 148,
  kPasswordMustChange = 149,
  kAccountDisabled = 151,
  kPasswordCertainlyExpired = 152,
  kWrongPassword = 154,
  kAccountExpired = 157,
};

bool normal_freerdp_end(int code) noexcept {
  switch (code) {
    case kSuccess:
    case kDisconnect:
    case kLogoff:
    case kDisconnectByUser:
    case kConnectCancelled:
      return true;
    default:
      return false;
  }
}

std::optional<std::string> freerdp_message(int code, std::string_view address) {
  switch (code) {
    case kAuthFailure:
    case kLogonFailure:
    case kWrongPassword:
      return _("用户名或密码错误");
    case kConnFailed:
    case kDnsError:
    case kDnsNameNotFound:
    case kConnectFailed:
    case kTlsConnectFailed:
    case kTransportFailed:
      return _("无法连接到虚拟机 ") + readable_text(address, kMaxLoggedValue);
    case kNegoFailure:
      return _("与虚拟机协商安全协议失败");
    case kAccountLockedOut:
      return _("账户已被锁定");
    case kAccountDisabled:
      return _("账户已被禁用");
    case kAccountExpired:
      return _("账户已过期");
    case kPasswordExpired:
    case kPasswordMustChange:
    case kPasswordCertainlyExpired:
      return _("密码已过期，请先修改密码");
    default:
      return std::nullopt;
  }
}

bool stop_signal(int signal) noexcept {
  return signal == SIGTERM || signal == SIGKILL || signal == SIGINT || signal == SIGHUP;
}

}  // namespace

bool is_error_line(bool from_stderr, std::string_view line) noexcept {
  return from_stderr || line.find("ERROR") != std::string_view::npos;
}

std::optional<std::string> session_failure(bool freerdp, std::string_view address, const ViewerEnd& end) {
  if (!end.exited) {
    if (stop_signal(end.code)) return std::nullopt;
  } else if (end.code == 0 || (freerdp && normal_freerdp_end(end.code))) {
    return std::nullopt;
  } else if (freerdp) {
    if (std::optional<std::string> message = freerdp_message(end.code, address)) return message;
  }
  const char* name = _(end.name.c_str());
  if (!end.last_error.empty()) return name + std::string(_("异常退出: ")) + end.last_error;
  const char* how = end.exited ? _("异常退出，退出状态: ") : _("异常终止，信号: ");
  return name + std::string(how) + std::to_string(end.code);
}

}  // namespace kesta

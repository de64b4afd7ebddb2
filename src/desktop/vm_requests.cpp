#include "desktop/vm_requests.h"

#include "api/vm_power.h"
#include "base/config.h"
#include "base/i18n.h"
#include "desktop/refresh.h"
#include "ui/dialog.h"

namespace kesta {

bool report_unsuccessful(ReplyKind kind, guint status, const std::string& message, const char* failure_title,
                         MainWindowData* data) {
  GtkWindow* parent = GTK_WINDOW(data->window);
  switch (kind) {
    case ReplyKind::BadAddress:
      show_message_dialog(parent, _("请求错误"), _("无法创建HTTP请求"));
      return true;
    case ReplyKind::Failed:
      if (handle_session_expiry(status, data)) return true;
      g_print("请求失败，状态码: %d\n", static_cast<int>(status));
      show_message_dialog(parent, failure_title, message.c_str());
      return true;
    case ReplyKind::Unreadable:
      show_message_dialog(parent, _("响应错误"), _("无法解析服务器响应"));
      return true;
    case ReplyKind::Refused:
      show_message_dialog(parent, failure_title, message.c_str());
      return true;
    case ReplyKind::Ok:
      break;
  }
  return false;
}

namespace {

void power_request(MainWindowData* data, const char* vmid, const PowerCommand& command, const char* success_message,
                   const char* failure_title) {
  data->action.hold(data->window, _("正在发送请求…"));
  data->action.request =
      send_vm_power_async(app_config.server_address, data->token.get(), vmid, command, [=](ReplyOutcome<> reply) {
        data->action.release();
        if (!report_unsuccessful(reply.kind, reply.status, reply.message, failure_title, data))
          show_message_dialog(GTK_WINDOW(data->window), _("成功"), success_message);
      });
}

}  // namespace

void request_vm_resume(MainWindowData* data, const char* vmid) {
  power_request(data, vmid, kResume, _("虚拟机唤醒成功"), _("唤醒失败"));
}

void request_vm_start(MainWindowData* data, const char* vmid) {
  power_request(data, vmid, kStart, _("虚拟机开机成功，请耐心等待"), _("开机失败"));
}

void request_vm_action(MainWindowData* data, const char* vmid, const char* action) {
  power_request(data, vmid, action_command(action), _("操作成功"), _("操作失败"));
}

}  // namespace kesta

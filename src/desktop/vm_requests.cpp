#include "desktop/vm_requests.h"

#include "api/vm_power.h"
#include "base/config.h"
#include "desktop/refresh.h"
#include "ui/dialog.h"

namespace kesta {

namespace {

void show_outcome(const PowerReply& reply, const char* success_message, const char* failure_title,
                  GtkWidget* parent) {
  GtkWindow* window = GTK_WINDOW(parent);
  switch (reply.kind) {
    case PowerReply::Kind::BadAddress:
      show_message_dialog(window, "请求错误", "无法创建HTTP请求");
      return;
    case PowerReply::Kind::Succeeded:
      show_message_dialog(window, "成功", success_message);
      return;
    case PowerReply::Kind::Refused:
      show_message_dialog(window, failure_title, reply.message.c_str());
      return;
    case PowerReply::Kind::Unreadable:
      show_message_dialog(window, "响应错误", "无法解析服务器响应");
      return;
    case PowerReply::Kind::Failed:
      if (handle_session_expiry(reply.status, parent)) return;
      g_print("请求失败，状态码: %d\n", static_cast<int>(reply.status));
      show_message_dialog(window, failure_title, reply.message.c_str());
      return;
  }
}

void power_request(MainWindowData* data, const char* vmid, const PowerCommand& command, const char* success_message,
                   const char* failure_title) {
  data->busy.emplace(data->window, "正在发送请求…");
  data->action_request =
      send_vm_power_async(app_config.server_address, data->token.get(), vmid, command, [=](PowerReply reply) {
        data->busy.reset();
        show_outcome(reply, success_message, failure_title, data->window);
      });
}

}  // namespace

void request_vm_resume(MainWindowData* data, const char* vmid) {
  power_request(data, vmid, kResume, "虚拟机唤醒成功", "唤醒失败");
}

void request_vm_start(MainWindowData* data, const char* vmid) {
  power_request(data, vmid, kStart, "虚拟机开机成功，请耐心等待", "开机失败");
}

void request_vm_action(MainWindowData* data, const char* vmid, const char* action) {
  power_request(data, vmid, action_command(action), "操作成功", "操作失败");
}

}  // namespace kesta

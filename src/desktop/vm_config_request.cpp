#include "desktop/vm_config_request.h"

#include <memory>

#include "api/vm_config.h"
#include "base/cipher.h"
#include "base/config.h"
#include "base/fixed_text.h"
#include "base/i18n.h"
#include "desktop/desktop_keys.h"
#include "desktop/sessions.h"
#include "desktop/vm_requests.h"
#include "launch/dispatch.h"
#include "ui/dialog.h"

namespace kesta {

namespace {

void delete_vm_config(gpointer config) noexcept { delete static_cast<VmConfig*>(config); }

void connect_with(const ReplyOutcome<std::optional<VmConfig>>& reply, const std::string& vmid, MainWindowData& record) {
  GtkWidget* window = record.window;
  GtkWindow* parent = GTK_WINDOW(window);
  if (report_unsuccessful(reply.kind, reply.status, reply.message, _("获取配置失败"), &record)) return;

  // Left on the window for whoever looks at it; the viewer is handed the
  // reply itself.
  const VmConfig& config = *reply.record;
  g_object_set_data_full(G_OBJECT(window), keys::kWindowVmId, g_strdup(vmid.c_str()), g_free);
  g_object_set_data_full(G_OBJECT(window), keys::kVmData, std::make_unique<VmConfig>(config).release(),
                         delete_vm_config);

  if (!config.pool) {
    show_message_dialog(parent, _("配置错误"), _("无法获取虚拟机池配置信息"));
    return;
  }
  const PoolSettings& pool = *config.pool;
  const char* address = config.address.c_str();
  const char* connect_type = pool.connect_type.c_str();
  g_print("准备连接到虚拟机 - IP: %s, OS: %s, 连接类型: %s\n", readable_text(address, kMaxLoggedValue).c_str(),
          readable_text(config.os_type, kMaxLoggedValue).c_str(), readable_text(connect_type, kMaxLoggedValue).c_str());

  SessionEnded on_end = session_end_handler(&record, vmid);
  GPid pid = 0;
  if (!record.mac_sign_in) {
    pid = dispatch_connection(connect_type, address, record.username.c_str(), record.password.c_str(), parent, pool,
                              vmid.c_str(), &config, std::move(on_end));
  } else {
    const GCharPtr password =
        app_config.save_credentials ? decrypt_password(app_config.encrypted_password) : GCharPtr(g_strdup(""));
    pid = dispatch_connection(connect_type, address, app_config.username, password.get(), parent, pool, vmid.c_str(),
                              &config, std::move(on_end));
  }
  session_started(&record, vmid, pid);
}

}  // namespace

void fetch_vm_config(MainWindowData* data, const char* vmid) {
  data->action.hold(data->window, _("正在连接…"));
  data->action.request =
      send_vm_config_async(app_config.server_address, data->token.get(), vmid,
                           [data, id = std::string(vmid)](ReplyOutcome<std::optional<VmConfig>> reply) {
                             data->action.release();
                             connect_with(reply, id, *data);
                           });
}

}  // namespace kesta

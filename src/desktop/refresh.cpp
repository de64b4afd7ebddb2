#include "desktop/refresh.h"

#include "app/config.h"
#include "app/data_keys.h"
#include "app/dialog.h"
#include "desktop/main_window_data.h"
#include "desktop/vm_cards.h"

namespace kesta {

namespace {

// Replaces the list with a fresh load; false when the load failed.
bool reload(MainWindowData* data) {
  data->vm_list.clear();
  VmListReply reply = fetch_vm_list(app_config, data->token.get());
  data->vm_list = std::move(reply.vms);
  return reply.ok;
}

gboolean end_timer(MainWindowData* data, const char* line) {
  g_print("%s", line);
  // Tells the teardown that there is no timer left to remove.
  if (data && data->window && GTK_IS_WIDGET(data->window))
    g_object_set_data(G_OBJECT(data->window), keys::kRefreshTimerId, nullptr);
  return G_SOURCE_REMOVE;
}

}  // namespace

bool handle_session_expiry(guint status, GtkWidget* desktop_window) {
  if (status != 401) return false;
  g_print("令牌已过期或无效，自动注销\n");
  auto* login_window = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(desktop_window), keys::kLoginWindow));
  if (!login_window) return false;
  show_message_dialog(GTK_WINDOW(desktop_window), "会话已过期", "您的登录会话已过期，请重新登录");
  gtk_widget_hide(desktop_window);
  gtk_widget_show(login_window);
  return true;
}

void on_refresh_clicked(GtkButton*, gpointer record) noexcept {
  auto* data = static_cast<MainWindowData*>(record);
  // Any failure of the reload counts as an expired session.
  if (!reload(data)) handle_session_expiry(401, data->window);
  show_vm_page(data);
}

gboolean refresh_timer_tick(gpointer record) noexcept {
  auto* data = static_cast<MainWindowData*>(record);
  if (!data) return end_timer(data, "错误：主窗口结构体为NULL，停止自动刷新\n");
  if (!data->window) return end_timer(data, "错误：window为NULL，停止自动刷新\n");
  if (!GTK_IS_WIDGET(data->window)) return end_timer(data, "错误：window不是有效的GTK组件，停止自动刷新\n");
  if (!gtk_widget_get_visible(data->window)) return end_timer(data, "窗口不可见，停止自动刷新\n");

  if (!reload(data) && handle_session_expiry(401, data->window))
    return end_timer(data, "");
  show_vm_page(data);
  return G_SOURCE_CONTINUE;
}

}  // namespace kesta

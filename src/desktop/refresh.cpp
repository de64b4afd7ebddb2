#include "desktop/refresh.h"

#include <functional>

#include "base/config.h"
#include "base/i18n.h"
#include "desktop/desktop_keys.h"
#include "desktop/main_window_data.h"
#include "desktop/vm_cards.h"
#include "ui/dialog.h"

namespace kesta {

namespace {

// Replaces the list with a fresh load, then tells whether it succeeded.  A
// load already under way gives way to this one.
void reload(MainWindowData* data, std::function<void(bool ok)> then) {
  data->list_load.request =
      fetch_vm_list_async(app_config.server_address, data->token.get(), [data, then](ReplyOutcome<VmList> reply) {
        data->vm_list = std::move(reply.record);
        then(reply.ok());
      });
}

gboolean end_timer(MainWindowData* data, const char* line) {
  g_print("%s", line);
  if (data) stop_refresh_timer(data);
  return G_SOURCE_REMOVE;
}

}  // namespace

bool handle_session_expiry(guint status, MainWindowData* data) {
  if (status != 401) return false;
  // One session ends once: a second path to the same end (a tick, "刷新", a
  // request under way) finds it decided.
  if (data->expired) return true;
  g_print("令牌已过期或无效，自动注销\n");
  if (!data->login_window) return false;
  // Decided before the dialog opens: the main loop runs on while it is
  // shown, and neither the timer nor a request may come to it again.
  data->expired = true;
  stop_refresh_timer(data);
  data->list_load.release();
  data->action.release();
  show_message_dialog(GTK_WINDOW(data->window), _("会话已过期"), _("您的登录会话已过期，请重新登录"));
  gtk_widget_hide(data->window);
  gtk_widget_show(data->login_window);
  return true;
}

void on_refresh_clicked(GtkButton*, gpointer record) noexcept {
  auto* data = static_cast<MainWindowData*>(record);
  data->list_load.hold(data->window, _("正在加载虚拟机列表..."));
  reload(data, [data](bool ok) {
    data->list_load.release();
    // Any failure of the reload counts as an expired session.
    if (!ok) handle_session_expiry(401, data);
    show_vm_page(data);
  });
}

void stop_refresh_timer(MainWindowData* data) noexcept {
  data->refresh_timer.reset();
  // The record holds its window (window_ref), whatever GTK has done with it.
  if (data->window) g_object_set_data(G_OBJECT(data->window), keys::kRefreshTimerId, nullptr);
}

gboolean refresh_timer_tick(gpointer record) noexcept {
  auto* data = static_cast<MainWindowData*>(record);
  if (!data) return end_timer(data, "错误：主窗口结构体为NULL，停止自动刷新\n");
  if (!data->window) return end_timer(data, "错误：window为NULL，停止自动刷新\n");
  // The timer is the record's, and the record holds its window: a widget
  // for as long as a tick can come.
  if (!gtk_widget_get_visible(data->window)) return end_timer(data, "窗口不可见，停止自动刷新\n");

  // A tick that comes while a load is under way leaves it be; the next one
  // comes as usual.
  if (data->list_load.request.pending()) return G_SOURCE_CONTINUE;
  reload(data, [data](bool ok) {
    // An expiry has removed the timer already.
    if (!ok && handle_session_expiry(401, data)) return;
    show_vm_page(data);
  });
  return G_SOURCE_CONTINUE;
}

}  // namespace kesta

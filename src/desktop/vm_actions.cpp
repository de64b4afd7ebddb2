#include "desktop/vm_actions.h"

#include <string_view>

#include "base/fixed_text.h"
#include "base/i18n.h"
#include "desktop/desktop_keys.h"
#include "desktop/main_window_data.h"
#include "desktop/sessions.h"
#include "desktop/vm_requests.h"
#include "ui/dialog.h"

namespace kesta {

namespace {

const char* text_data(gpointer object, const char* key) {
  return static_cast<const char*>(g_object_get_data(G_OBJECT(object), key));
}

MainWindowData* window_data(GtkWidget* window) {
  return window ? static_cast<MainWindowData*>(g_object_get_data(G_OBJECT(window), keys::kMainWindowData))
                : nullptr;
}

// The desktop window showing a power-menu item: the top-level of the card's
// power button, to which the menu is attached.
MainWindowData* item_window_data(GtkMenuItem* item) {
  GtkWidget* menu = gtk_widget_get_parent(GTK_WIDGET(item));
  GtkWidget* button = GTK_IS_MENU(menu) ? gtk_menu_get_attach_widget(GTK_MENU(menu)) : nullptr;
  GtkWidget* top = button ? gtk_widget_get_toplevel(button) : nullptr;
  MainWindowData* data = top && GTK_IS_WINDOW(top) ? window_data(top) : nullptr;
  if (!data) g_print("无法获取主窗口数据\n");
  return data;
}

void power_action(GtkMenuItem* item, const char* action) {
  if (MainWindowData* data = item_window_data(item))
    request_vm_action(data, text_data(item, keys::kButtonVmid), action);
}

}  // namespace

void on_connect_clicked(GtkButton* button, gpointer) noexcept {
  const char* vmid = text_data(button, keys::kButtonVmid);
  const char* status = text_data(button, keys::kStatus);
  GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(button));
  if (!GTK_IS_WINDOW(top)) {
    g_print("无法获取主窗口引用\n");
    return;
  }
  MainWindowData* data = window_data(top);
  if (!data) {
    g_print("无法获取主窗口数据\n");
    return;
  }
  g_print("处理虚拟机连接，ID: %s，状态: %s\n", readable_text(vmid ? vmid : "", kMaxLoggedValue).c_str(),
          readable_text(status ? status : "", kMaxLoggedValue).c_str());
  const std::string_view state = status ? status : "";
  if (state == "suspended")
    request_vm_resume(data, vmid);
  else if (state == "stopped")
    request_vm_start(data, vmid);
  else if (state == "running")
    connect_running_vm(data, vmid);
  else
    show_message_dialog(GTK_WINDOW(top), _("无法连接"), _("虚拟机状态未知或不可用"));
}

void on_power_start(GtkMenuItem* item, gpointer) noexcept {
  if (MainWindowData* data = item_window_data(item)) request_vm_start(data, text_data(item, keys::kButtonVmid));
}

void on_power_resume(GtkMenuItem* item, gpointer) noexcept {
  if (MainWindowData* data = item_window_data(item)) request_vm_resume(data, text_data(item, keys::kButtonVmid));
}

void on_power_shutdown(GtkMenuItem* item, gpointer) noexcept { power_action(item, "shutdown"); }
void on_power_stop(GtkMenuItem* item, gpointer) noexcept { power_action(item, "stop"); }
void on_power_reboot(GtkMenuItem* item, gpointer) noexcept { power_action(item, "reboot"); }
void on_power_reset(GtkMenuItem* item, gpointer) noexcept { power_action(item, "reset"); }

}  // namespace kesta

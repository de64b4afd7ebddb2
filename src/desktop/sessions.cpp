#include "desktop/sessions.h"

#include "base/config.h"
#include "base/i18n.h"
#include "desktop/desktop_window.h"
#include "desktop/session_open_dialog.h"
#include "desktop/vm_config_request.h"
#include "launch/spawn.h"
#include "ui/dialog.h"
#include "ui/pid_window.h"

namespace kesta {

namespace {

// Often enough that the bar follows the window's appearance closely, seldom
// enough to cost nothing.
constexpr guint kWindowPollMilliseconds = 250;

gboolean poll_for_window(gpointer record) noexcept {
  auto* data = static_cast<MainWindowData*>(record);
  if (!pid_has_window(data->opening->pid)) return G_SOURCE_CONTINUE;
  data->opening.reset();
  return G_SOURCE_REMOVE;
}

gboolean opening_time_up(gpointer record) noexcept {
  static_cast<MainWindowData*>(record)->opening.reset();
  return G_SOURCE_REMOVE;
}

void end_opening(MainWindowData* data, GPid pid) {
  if (data->opening && data->opening->pid == pid) data->opening.reset();
}

void on_session_end(const std::weak_ptr<ViewerSessions>& weak, const std::string& vmid, GPid pid,
                    const std::optional<std::string>& failure) {
  MainWindowData* data = nullptr;
  if (const std::shared_ptr<ViewerSessions> sessions = weak.lock()) {
    const auto found = sessions->by_vm.find(vmid);
    if (found == sessions->by_vm.end() || found->second != pid) return;
    sessions->by_vm.erase(found);
    data = sessions->record;
  } else {
    return;
  }
  end_opening(data, pid);
  GtkWidget* window = data->window;
  const bool signed_in = gtk_widget_get_visible(window) && !data->expired;
  if (failure) {
    GtkWidget* parent = signed_in ? window : data->login_window;
    show_message_dialog(parent ? GTK_WINDOW(parent) : nullptr, _("连接失败"), failure->c_str());
  }
  // The dialog ran the main loop: the user may have signed out (the record
  // may be gone with its sessions), or opened another session, meanwhile.
  const std::shared_ptr<ViewerSessions> sessions = weak.lock();
  if (!signed_in || !sessions || !app_config.logout_on_session_end || !sessions->by_vm.empty() ||
      !gtk_widget_get_visible(window))
    return;
  g_print("会话已结束，自动注销\n");
  on_logout_clicked(nullptr, data);
}

}  // namespace

void connect_running_vm(MainWindowData* data, const char* vmid) {
  const std::string id = vmid ? vmid : "";
  const auto found = data->sessions->by_vm.find(id);
  if (found != data->sessions->by_vm.end()) {
    if (!ask_to_reconnect(GTK_WINDOW(data->window))) return;
    // Forgotten first: its end is then no session's end, and signs no one
    // out.  It may have ended while the dialog was open.
    const auto still = data->sessions->by_vm.find(id);
    if (still != data->sessions->by_vm.end()) {
      const GPid pid = still->second;
      data->sessions->by_vm.erase(still);
      end_opening(data, pid);
      g_print("结束正在运行的会话，进程号: %d\n", pid);
      end_viewer(pid);
    }
  }
  fetch_vm_config(data, vmid);
}

SessionEnded session_end_handler(MainWindowData* data, const std::string& vmid) {
  return [weak = std::weak_ptr<ViewerSessions>(data->sessions), vmid](GPid pid,
                                                                     const std::optional<std::string>& failure) {
    on_session_end(weak, vmid, pid, failure);
  };
}

void session_started(MainWindowData* data, const std::string& vmid, GPid pid) {
  if (!pid) return;
  data->sessions->by_vm[vmid] = pid;
  SessionOpening& opening = data->opening.emplace();
  opening.pid = pid;
  opening.notice.emplace(data->window, _("正在打开会话…"));
  opening.poll = add_timeout(kWindowPollMilliseconds, poll_for_window, data);
  opening.deadline = add_timeout(session_opening_milliseconds, opening_time_up, data);
}

}  // namespace kesta

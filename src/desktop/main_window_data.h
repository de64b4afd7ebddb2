// The state of one desktop window.
#pragma once

#include <gtk/gtk.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "api/http.h"
#include "api/vm_list.h"
#include "base/ptr.h"
#include "ui/busy.h"

namespace kesta {

struct MainWindowData;

// The viewers a desktop window started that are still running, by VM id.
// The record owns it; a viewer's end finds the record through it only while
// both exist.
struct ViewerSessions {
  MainWindowData* record = nullptr;
  std::map<std::string, GPid> by_vm;
};

// A session being opened: the bottom bar says so until the viewer's first
// window is on the screen, it ends, or the time is up.
struct SessionOpening {
  GPid pid = 0;
  std::optional<BusyNotice> notice;
  SourcePtr poll;
  SourcePtr deadline;
};

// The state of one desktop window.  The window's named data
// (desktop/desktop_keys.h) mirrors parts of it for those outside the layer;
// the layer reads back only "main_window_data", by which a card's buttons
// find the record.
struct MainWindowData {
  GtkWidget* window = nullptr;  // owned by GTK; never destroyed by the record
  // The login window, which outlives every record: it holds them.
  GtkWidget* login_window = nullptr;
  GtkWidget* content_box = nullptr;
  GtkWidget* header_box = nullptr;
  GtkWidget* vm_area = nullptr;
  GtkWidget* flow_box = nullptr;
  GtkWidget* status_label = nullptr;
  // The buttons whose "clicked" handlers are given the record, which the
  // teardown disconnects; weak, since the window may have been destroyed
  // with them first.
  WeakPtr<GtkWidget> refresh_button;
  WeakPtr<GtkWidget> password_button;
  WeakPtr<GtkWidget> logout_button;
  WeakPtr<GtkWidget> prev_button;
  WeakPtr<GtkWidget> next_button;
  // The paging row's label, and the page it shows (1-based; not clamped to
  // the list).
  GtkWidget* page_label = nullptr;
  int current_page = 1;
  GCharPtr token;  // the window's own copy of the access token
  // Who signed in, handed to the viewers; kept in memory only.  A MAC
  // sign-in has no person behind it: its viewers get the saved credentials.
  bool mac_sign_in = false;
  std::string username;
  std::string password;
  VmList vm_list;  // the last load
  // Keeps the window object readable by the teardown even after GTK has
  // destroyed the window.
  RefPtr<GtkWidget> window_ref;
  // The requests under way, released when the window is hidden or the
  // record goes: a load of the list (holding the window when "刷新" asked
  // for it, not when the timer did), and a card's power or connection
  // request.
  HeldRequest list_load;
  HeldRequest action;
  // The 60-second reload; 0 once it has ended.  Its id is also on the
  // window as "refresh_timer_id" while it runs.
  SourcePtr refresh_timer;
  std::shared_ptr<ViewerSessions> sessions;
  std::optional<SessionOpening> opening;
  // Set once the service has refused the token: the session is over, and
  // whatever else comes to the same end says nothing more.
  bool expired = false;
};

}  // namespace kesta

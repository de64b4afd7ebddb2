// The remote sessions a desktop window opened: one per VM, the opening shown
// in the bottom bar, what their end tells the user, and signing out when the
// last one ends on a shared terminal.
#pragma once

#include <glib.h>

#include <string>

#include "desktop/main_window_data.h"
#include "launch/dispatch.h"

namespace kesta {

// How long the bottom bar says "正在打开会话…" at most; tests shorten it.
inline guint session_opening_milliseconds = 15000;

// "连接" on a running VM: when a viewer started for it still runs, asks
// whether to end it and connect again ("会话已打开"); then fetches the
// configuration and starts the viewer.
void connect_running_vm(MainWindowData* data, const char* vmid);

// The handler that dispatch_connection is given for a viewer of vmid.  When
// the viewer ends, a failure is shown as "连接失败" (over the desktop window,
// or the login window once signed out), and with "会话结束后注销" set the
// window signs out as "注销" does when this was its last running viewer.  A
// viewer that "重新连接" replaced, or one whose window's record has gone,
// changes nothing.
SessionEnded session_end_handler(MainWindowData* data, const std::string& vmid);

// Keeps the viewer as vmid's session and shows "正在打开会话…" until its
// window appears, it ends, or session_opening_milliseconds pass.  A pid of 0
// (nothing started) is ignored.
void session_started(MainWindowData* data, const std::string& vmid, GPid pid);

}  // namespace kesta

// "会话已打开": "连接" on a VM whose viewer still runs.
#pragma once

#include <gtk/gtk.h>

namespace kesta {

// Runs the dialog over parent; true for "重新连接" (end the running viewer
// and open the session again), false for "取消" or closing it.
bool ask_to_reconnect(GtkWindow* parent);

}  // namespace kesta

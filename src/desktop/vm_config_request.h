// "连接" on a running VM: fetch how to reach it and start the viewer.
#pragma once

#include "desktop/main_window_data.h"

namespace kesta {

// Holds the window's input until the reply is in.  Every failure ends in one
// dialog over the window (or in the session-expiry handling on a 401).
// Leaves "vm_id" and "vm_data" on the window and hands both to the viewer;
// the viewer it starts becomes the VM's session (desktop/sessions.h).
void fetch_vm_config(MainWindowData* data, const char* vmid);

}  // namespace kesta

// "连接" on a running VM: fetch how to reach it and start the viewer.
#pragma once

#include <gtk/gtk.h>

namespace kesta {

// Every failure ends in one dialog over window (or in the session-expiry
// handling on a 401).  Leaves "vm_id" and "vm_data" on window for the SPICE
// viewer.
void fetch_vm_config(const char* server_address, const char* token, const char* vmid, GtkWidget* window);

}  // namespace kesta

// The power requests as the user sees them: each ends in a dialog over the
// desktop window, or in the session-expiry handling on a 401.
#pragma once

#include <gtk/gtk.h>

#include "app/config.h"

namespace kesta {

void request_vm_resume(const ClientConfig& config, const char* token, const char* vmid, GtkWidget* parent);
void request_vm_start(const ClientConfig& config, const char* token, const char* vmid, GtkWidget* parent);
void request_vm_action(const ClientConfig& config, const char* token, const char* vmid, const char* action,
                       GtkWidget* parent);

}  // namespace kesta

// The power requests as the user sees them: each ends in a dialog over the
// desktop window, or in the session-expiry handling on a 401.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "api/http.h"
#include "desktop/main_window_data.h"

namespace kesta {

// The dialog of a reply that did not succeed, titled failure_title where the
// service said why (or the session-expiry handling on a 401); false, with
// nothing shown, for a reply that did.
bool report_unsuccessful(ReplyKind kind, guint status, const std::string& message, const char* failure_title,
                         MainWindowData* data);

// Each holds the window's input until its reply is in.
void request_vm_resume(MainWindowData* data, const char* vmid);
void request_vm_start(MainWindowData* data, const char* vmid);
void request_vm_action(MainWindowData* data, const char* vmid, const char* action);

}  // namespace kesta

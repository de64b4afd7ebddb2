// The permanent, full-screen login window.
#pragma once

#include <gtk/gtk.h>

namespace kesta {

// Builds and shows the window from app_config and starts the bottom bar's
// timers.  Called once, after the configuration is loaded.
GtkWidget* build_login_window();

// Shows the credential widgets (password mode) or hides them behind the MAC
// notice, which is created the first time it is needed.
void set_login_mode(GtkWidget* login_window, bool mac);

}  // namespace kesta

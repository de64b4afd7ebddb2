// Reloading the VM list, by hand and every minute, and the end of a session
// whose token the service refuses.
#pragma once

#include <gtk/gtk.h>

namespace kesta {

// Acts on 401 only: tells the user the session expired, hides the desktop
// window and shows its login window.  True when it acted.
bool handle_session_expiry(guint status, GtkWidget* desktop_window);

void on_refresh_clicked(GtkButton* button, gpointer record) noexcept;

// The 60-second timer; ends itself once the window is hidden or the session
// expired.
gboolean refresh_timer_tick(gpointer record) noexcept;

}  // namespace kesta

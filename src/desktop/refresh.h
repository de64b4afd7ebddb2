// Reloading the VM list, by hand and every minute, and the end of a session
// whose token the service refuses.
#pragma once

#include <gtk/gtk.h>

namespace kesta {

struct MainWindowData;

// Acts on 401 only: ends the window's timer and requests, tells the user
// the session expired, hides the desktop window and shows its login window.
// True when it acted, or when the session had expired already (then it does
// nothing more).
bool handle_session_expiry(guint status, MainWindowData* data);

void on_refresh_clicked(GtkButton* button, gpointer record) noexcept;

// The refresh timer's tick (every refresh_milliseconds, desktop_window.h):
// reloads the list unless a load is under way, and ends the timer once the
// window is hidden.  An expired session has removed the timer already.
gboolean refresh_timer_tick(gpointer record) noexcept;

// Removes the record's refresh timer, if it still runs, and clears its id
// on the window.
void stop_refresh_timer(MainWindowData* data) noexcept;

}  // namespace kesta

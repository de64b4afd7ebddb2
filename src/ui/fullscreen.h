// Full screen with or without a window manager.
#pragma once

#include <gtk/gtk.h>

namespace kesta {

// Asks the window manager for full screen.  A terminal that boots straight
// into the client may have no window manager to honour that; then the
// window is placed over the whole monitor itself, and placed again whenever
// the screen's monitors or size change.
void make_fullscreen(GtkWindow* window);

// The monitor a full-screen window covers: the one it is on once it is
// realized, before that the one make_fullscreen places it on.
GdkMonitor* window_monitor(GtkWindow* window);

}  // namespace kesta

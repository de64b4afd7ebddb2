// Full screen with or without a window manager.
#pragma once

#include <gtk/gtk.h>

namespace kesta {

// Asks the window manager for full screen.  A terminal that boots straight
// into the client may have no window manager to honour that; then the
// window is placed over the whole monitor itself.
void make_fullscreen(GtkWindow* window);

}  // namespace kesta

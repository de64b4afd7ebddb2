// The common modal message dialog and the window icon.
#pragma once

#include <gtk/gtk.h>

namespace kesta {

// Runs a modal notice with a bold heading and "确定"; returns once it is
// answered or closed.  parent may be null.
void show_message_dialog(GtkWindow* parent, const char* title, const char* message);

void set_window_icon(GtkWindow* window);

}  // namespace kesta

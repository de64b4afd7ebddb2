// Clickable texts of the login window act on a single press of mouse button 1
// only; other buttons, and the extra events of a double click, pass through.
#pragma once

#include <gtk/gtk.h>

namespace kesta {

inline bool is_primary_press(const GdkEventButton* event) noexcept {
  return event && event->type == GDK_BUTTON_PRESS && event->button == GDK_BUTTON_PRIMARY;
}

}  // namespace kesta

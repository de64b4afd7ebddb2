// Repeating label updates that end with their label.
#pragma once

#include <gtk/gtk.h>

namespace kesta {

// Calls update(label) every `seconds` seconds for as long as the label
// exists; with `now`, also once at once.
void attach_label_timer(GtkWidget* label, guint seconds, GSourceFunc update, bool now);

}  // namespace kesta

#include "ui/label_timer.h"

namespace kesta {

namespace {

void remove_timer(GtkWidget*, gpointer id) noexcept { g_source_remove(GPOINTER_TO_UINT(id)); }

}  // namespace

void attach_label_timer(GtkWidget* label, guint seconds, GSourceFunc update, bool now) {
  if (now) update(label);
  const guint id = g_timeout_add_seconds(seconds, update, label);
  // A timer that outlived its label would write into freed memory.
  g_signal_connect(label, "destroy", G_CALLBACK(remove_timer), GUINT_TO_POINTER(id));
}

}  // namespace kesta

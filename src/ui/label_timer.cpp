#include "ui/label_timer.h"

#include <memory>

#include "base/ptr.h"

namespace kesta {

namespace {

void drop_timer(gpointer timer, GObject*) noexcept { delete static_cast<SourcePtr*>(timer); }

}  // namespace

void attach_label_timer(GtkWidget* label, guint seconds, GSourceFunc update, bool now) {
  if (now) update(label);
  // The label holds its timer and drops it when destroyed: a timer that
  // outlived its label would write into freed memory.
  auto timer = std::make_unique<SourcePtr>(add_timeout_seconds(seconds, update, label));
  g_object_weak_ref(G_OBJECT(label), drop_timer, timer.release());
}

}  // namespace kesta

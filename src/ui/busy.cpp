#include "ui/busy.h"

#include <memory>

#include "ui/data_keys.h"
#include "ui/widget_style.h"

namespace kesta {

namespace {

constexpr guint kRevealMilliseconds = 200;

gboolean swallow_key(GtkWidget*, GdkEventKey*, gpointer) noexcept { return TRUE; }

GtkWidget* child_at(GtkWidget* indicator, int index) {
  GList* children = gtk_container_get_children(GTK_CONTAINER(indicator));
  auto* child = static_cast<GtkWidget*>(g_list_nth_data(children, static_cast<guint>(index)));
  g_list_free(children);
  return child;
}

void set_cursor(GtkWidget* indicator, const char* name) {
  GdkWindow* window = gtk_widget_get_window(gtk_widget_get_toplevel(indicator));
  if (!window) return;
  GdkCursor* cursor = name ? gdk_cursor_new_from_name(gdk_window_get_display(window), name) : nullptr;
  gdk_window_set_cursor(window, cursor);
  if (cursor) g_object_unref(cursor);
}

// The window's indicator, made weak in *slot; null when the window has none
// or it is not on the screen yet.
GtkWidget* take_indicator(GtkWidget* window, GtkWidget** slot) {
  auto* indicator = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(window), keys::kBusyIndicator));
  if (!indicator || !gtk_widget_get_realized(indicator)) return nullptr;
  *slot = indicator;
  g_object_add_weak_pointer(G_OBJECT(indicator), reinterpret_cast<gpointer*>(slot));
  return indicator;
}

void release_indicator(GtkWidget** slot) {
  g_object_remove_weak_pointer(G_OBJECT(*slot), reinterpret_cast<gpointer*>(slot));
}

void show_indicator(GtkWidget* indicator, const char* text) {
  GtkWidget* spinner = child_at(indicator, 0);
  GtkWidget* label = child_at(indicator, 1);
  gtk_label_set_text(GTK_LABEL(label), text);
  gtk_spinner_start(GTK_SPINNER(spinner));
  gtk_widget_show(spinner);
  gtk_widget_show(label);
}

void hide_indicator(GtkWidget* indicator) {
  GtkWidget* spinner = child_at(indicator, 0);
  gtk_spinner_stop(GTK_SPINNER(spinner));
  gtk_widget_hide(spinner);
  gtk_widget_hide(child_at(indicator, 1));
}

}  // namespace

GtkWidget* build_busy_indicator(GtkWidget* window, const GdkRGBA& text_colour) {
  GtkWidget* indicator = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 5);
  GtkWidget* spinner = gtk_spinner_new();
  GtkWidget* label = gtk_label_new(nullptr);
  set_text_colour(label, text_colour);
  for (GtkWidget* part : {spinner, label}) {
    gtk_widget_set_no_show_all(part, TRUE);
    pack_start(indicator, part);
  }
  // Keys reach the grab widget before the focused one: this is where they
  // end while a request runs.
  g_signal_connect(indicator, "key-press-event", G_CALLBACK(swallow_key), nullptr);
  g_signal_connect(indicator, "key-release-event", G_CALLBACK(swallow_key), nullptr);
  g_object_set_data(G_OBJECT(window), keys::kBusyIndicator, indicator);
  return indicator;
}

BusyHold::BusyHold(GtkWidget* window, const char* text) : text_(text) {
  if (!take_indicator(window, &indicator_)) return;
  g_object_set_data(G_OBJECT(window), keys::kBusy, GINT_TO_POINTER(1));
  gtk_grab_add(indicator_);
  reveal_timer_ = add_timeout(kRevealMilliseconds, reveal, this);
}

BusyHold::~BusyHold() {
  if (!indicator_) return;
  GtkWidget* indicator = indicator_;
  release_indicator(&indicator_);
  gtk_grab_remove(indicator);
  g_object_set_data(G_OBJECT(gtk_widget_get_toplevel(indicator)), keys::kBusy, nullptr);
  hide_indicator(indicator);
  set_cursor(indicator, nullptr);
}

gboolean BusyHold::reveal(gpointer self) noexcept {
  auto* hold = static_cast<BusyHold*>(self);
  if (!hold->indicator_) return G_SOURCE_REMOVE;
  show_indicator(hold->indicator_, hold->text_.c_str());
  set_cursor(hold->indicator_, "wait");
  return G_SOURCE_REMOVE;
}

BusyNotice::BusyNotice(GtkWidget* window, const char* text) {
  if (GtkWidget* indicator = take_indicator(window, &indicator_)) show_indicator(indicator, text);
}

BusyNotice::~BusyNotice() {
  if (!indicator_) return;
  GtkWidget* indicator = indicator_;
  release_indicator(&indicator_);
  hide_indicator(indicator);
}

HeldRequest* hold_for_request(GtkWidget* window, const char* key, const char* text) {
  auto owned = std::make_unique<HeldRequest>();
  HeldRequest* held = owned.get();
  // The window's slot owns it from here on; the caller borrows it.
  g_object_set_data_full(G_OBJECT(window), key, owned.release(),
                         [](gpointer h) noexcept { delete static_cast<HeldRequest*>(h); });
  held->hold(window, text);
  return held;
}

void drop_held_request(GtkWidget* window, const char* key) { g_object_set_data(G_OBJECT(window), key, nullptr); }

}  // namespace kesta

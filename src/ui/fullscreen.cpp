#include "ui/fullscreen.h"

#include <gdk/gdkx.h>

namespace kesta {

namespace {

void place_over_monitor(GtkWindow* window) {
  GdkScreen* screen = gtk_window_get_screen(window);
  if (!GDK_IS_X11_SCREEN(screen) ||
      gdk_x11_screen_supports_net_wm_hint(screen, gdk_atom_intern_static_string("_NET_WM_STATE_FULLSCREEN")))
    return;
  GdkMonitor* monitor = window_monitor(window);
  if (!monitor) return;
  GdkRectangle area;
  gdk_monitor_get_geometry(monitor, &area);
  gtk_window_move(window, area.x, area.y);
  gtk_window_resize(window, area.width, area.height);
}

void on_screen_changed(GdkScreen*, gpointer window) noexcept { place_over_monitor(GTK_WINDOW(window)); }

}  // namespace

void make_fullscreen(GtkWindow* window) {
  gtk_window_fullscreen(window);
  place_over_monitor(window);
  // A screen plugged in late or set to another resolution; the handlers go
  // with the window.
  GdkScreen* screen = gtk_window_get_screen(window);
  g_signal_connect_object(screen, "monitors-changed", G_CALLBACK(on_screen_changed), window, G_CONNECT_DEFAULT);
  g_signal_connect_object(screen, "size-changed", G_CALLBACK(on_screen_changed), window, G_CONNECT_DEFAULT);
}

GdkMonitor* window_monitor(GtkWindow* window) {
  GdkDisplay* display = gdk_screen_get_display(gtk_window_get_screen(window));
  if (GdkWindow* shown = gtk_widget_get_window(GTK_WIDGET(window)))
    return gdk_display_get_monitor_at_window(display, shown);
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  return monitor ? monitor : gdk_display_get_monitor(display, 0);
}

}  // namespace kesta

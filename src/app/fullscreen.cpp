#include "app/fullscreen.h"

#include <gdk/gdkx.h>

namespace kesta {

void make_fullscreen(GtkWindow* window) {
  gtk_window_fullscreen(window);
  GdkScreen* screen = gtk_window_get_screen(window);
  if (!GDK_IS_X11_SCREEN(screen) ||
      gdk_x11_screen_supports_net_wm_hint(screen, gdk_atom_intern_static_string("_NET_WM_STATE_FULLSCREEN")))
    return;
  GdkMonitor* monitor = gdk_display_get_primary_monitor(gdk_screen_get_display(screen));
  if (!monitor) monitor = gdk_display_get_monitor(gdk_screen_get_display(screen), 0);
  if (!monitor) return;
  GdkRectangle area;
  gdk_monitor_get_geometry(monitor, &area);
  gtk_window_move(window, area.x, area.y);
  gtk_window_resize(window, area.width, area.height);
}

}  // namespace kesta

#include "login_screen_support.h"

#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>

#include "base/config.h"
#include "login/login_window.h"
#include "support/dialog_recorder.h"
#include "support/temp_home.h"

namespace kesta::test {

LoginScreen::LoginScreen(const std::string& config_text) {
  if (config_text.empty())
    remove_file(config_path());
  else
    write_file(config_path(), config_text);
  if (!load_config()) apply_config_defaults(app_config);
  window_ = build_login_window();
  // Mapped and allocated, so that clicks find their widgets.
  spin_main_loop(300);
}

LoginScreen::~LoginScreen() {
  // Outside a running main loop there is nothing for "destroy" to quit.
  g_signal_handlers_disconnect_by_func(window_, reinterpret_cast<gpointer>(gtk_main_quit), nullptr);
  gtk_widget_destroy(window_);
  remove_file(config_path());
}

void click(GtkWidget* widget, guint button) {
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  GtkAllocation area;
  gtk_widget_get_allocation(widget, &area);
  int x = 0;
  int y = 0;
  gtk_widget_translate_coordinates(widget, top, area.width / 2, area.height / 2, &x, &y);
  int origin_x = 0;
  int origin_y = 0;
  gdk_window_get_origin(gtk_widget_get_window(top), &origin_x, &origin_y);
  // Through the XTEST extension, so that the server sends the events GTK
  // listens to (XInput 2), as it does for a real mouse.
  // The server counts device pixels, GTK logical ones (GDK_SCALE).
  const int scale = gtk_widget_get_scale_factor(top);
  Display* display = GDK_DISPLAY_XDISPLAY(gtk_widget_get_display(widget));
  XTestFakeMotionEvent(display, -1, (origin_x + x) * scale, (origin_y + y) * scale, CurrentTime);
  XTestFakeButtonEvent(display, button, True, CurrentTime);
  XFlush(display);
  spin_main_loop(200);
  XTestFakeButtonEvent(display, button, False, CurrentTime);
  XFlush(display);
  spin_main_loop(200);
}

}  // namespace kesta::test

#include "support/login_screen_support.h"

// Before the X headers, whose macros (None, Bool) would clash with it.
#include <gtest/gtest.h>

#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>

#include <chrono>

#include "base/config.h"
#include "login/login_window.h"
#include "support/spin.h"
#include "support/temp_home.h"

namespace kesta::test {

namespace {

using namespace std::chrono_literals;

gboolean note_drawn(GtkWidget*, cairo_t*, gpointer drawn) noexcept {
  *static_cast<bool*>(drawn) = true;
  return FALSE;
}

// A mouse-button or key event that GTK has to have handled before a click
// or key press goes on: the button, or the key's symbol.
struct AwaitedEvent {
  GdkEventType type;
  guint detail;
  bool handled;
};

// GTK's own handling of every event, as gtk_init sets it up.
void handle(GdkEvent* event, gpointer) noexcept { gtk_main_do_event(event); }

void handle_and_note(GdkEvent* event, gpointer awaited) noexcept {
  gtk_main_do_event(event);
  auto* wanted = static_cast<AwaitedEvent*>(awaited);
  const bool key = event->type == GDK_KEY_PRESS || event->type == GDK_KEY_RELEASE;
  if (event->type == wanted->type && (key ? event->key.keyval : event->button.button) == wanted->detail)
    wanted->handled = true;
}

// Presses or releases a mouse button or a key through the X server and runs
// the main loop until GTK has handled the event, and so whatever it opened.
void send(Display* display, guint detail, bool press, bool key) {
  AwaitedEvent awaited{
      key ? (press ? GDK_KEY_PRESS : GDK_KEY_RELEASE) : (press ? GDK_BUTTON_PRESS : GDK_BUTTON_RELEASE), detail, false};
  gdk_event_handler_set(handle_and_note, &awaited, nullptr);
  if (key)
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, detail), press ? True : False, CurrentTime);
  else
    XTestFakeButtonEvent(display, detail, press ? True : False, CurrentTime);
  XFlush(display);
  EXPECT_TRUE(spin_until([&] { return awaited.handled; }, 30s))
      << (key ? "key " : "button ") << detail << (press ? " press" : " release") << " not handled";
  gdk_event_handler_set(handle, nullptr, nullptr);
}

// Moves the pointer over the middle of widget; returns the display.
Display* point_at(GtkWidget* widget) {
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
  return display;
}

}  // namespace

LoginScreen::LoginScreen(const std::string& config_text) {
  if (config_text.empty())
    remove_file(config_path());
  else
    write_file(config_path(), config_text);
  if (!load_config()) apply_config_defaults(app_config);
  window_ = build_login_window();
  // Drawn once, and so mapped and laid out: clicks find their widgets.
  bool drawn = false;
  const gulong handler = g_signal_connect_after(window_, "draw", G_CALLBACK(note_drawn), &drawn);
  EXPECT_TRUE(spin_until([&] { return drawn; }, 30s)) << "the login window was never drawn";
  g_signal_handler_disconnect(window_, handler);
}

LoginScreen::~LoginScreen() {
  // Outside a running main loop there is nothing for "destroy" to quit.
  g_signal_handlers_disconnect_by_func(window_, reinterpret_cast<gpointer>(gtk_main_quit), nullptr);
  gtk_widget_destroy(window_);
  remove_file(config_path());
}

void click(GtkWidget* widget, guint button) {
  Display* display = point_at(widget);
  send(display, button, true, false);
  send(display, button, false, false);
}

void press_key(GtkWidget* window, guint keysym) {
  Display* display = point_at(window);
  send(display, keysym, true, true);
  send(display, keysym, false, true);
}

}  // namespace kesta::test

// Shared by the tests of the login screen's dialogs: a login window built as
// the program builds it, real mouse clicks, and what g_print printed.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "support/print_capture.h"

namespace kesta::test {

// The login window, built from a configuration file with this text (no file
// when empty) the way the program starts, shown and laid out.  Destroying it
// removes the file again.
class LoginScreen {
 public:
  explicit LoginScreen(const std::string& config_text);
  ~LoginScreen();
  LoginScreen(const LoginScreen&) = delete;
  LoginScreen& operator=(const LoginScreen&) = delete;

  GtkWidget* window() const { return window_; }

 private:
  GtkWidget* window_;
};

// A click the way the X server delivers one: press, then release, of the
// mouse button over the middle of widget.  Whatever the press opens runs
// before the release is sent.
void click(GtkWidget* widget, guint button);

// A key pressed and released the way the X server delivers it, with the
// pointer over window (the server gives the keys to what lies under it).
void press_key(GtkWidget* window, guint keysym);

}  // namespace kesta::test

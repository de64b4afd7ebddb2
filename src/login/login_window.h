// The permanent, full-screen login window.
#pragma once

#include <gtk/gtk.h>

namespace kesta {

// Builds and shows the window from app_config and starts the bottom bar's
// timers.  Called once, after the configuration is loaded.
GtkWidget* build_login_window();

// The login window's own widgets, made with it and released with it; the
// handlers of its form are given this record.
struct LoginForm {
  GtkWidget* window;
  GtkWidget* form_box;
  GtkWidget* username_box;
  GtkWidget* password_box;
  GtkWidget* options_box;
  GtkWidget* username_entry;
  GtkWidget* password_entry;
  GtkWidget* save_check;
  GtkWidget* login_button;
  // Hidden when app_config.setting says so.
  GtkWidget* settings_group;
  // Made the first time MAC mode is shown.
  GtkWidget* mac_notice;
};

// Shows the credential widgets (password mode) or hides them behind the MAC
// notice, which is created the first time it is needed.
void set_login_mode(GtkWidget* login_window, bool mac);

}  // namespace kesta

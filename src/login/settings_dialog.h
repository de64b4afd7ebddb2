// The settings dialog of the login window: server address (with the pin of
// its certificate, which it can forget), default protocol, MAC-address login,
// hiding the settings button and signing out when the session ends.
#pragma once

#include <gtk/gtk.h>

namespace kesta {

// Runs the dialog modally over the login window.  "保存" writes app_config and
// the file (without the pins "忘记证书" dropped) and switches the login
// window's mode at once when MAC login changed; "取消" or closing changes
// nothing.
void show_settings_dialog(GtkWidget* login_window);

// "clicked" handler of the settings icon; user data is the login window.
void on_settings_clicked(GtkButton* button, gpointer login_window) noexcept;
// "button-press-event" handler of the "设置" text; user data is the login
// window.
gboolean on_settings_label_pressed(GtkWidget* widget, GdkEventButton* event, gpointer login_window) noexcept;

}  // namespace kesta

// Shutting down and restarting the terminal itself, after a confirmation.
#pragma once

#include <gtk/gtk.h>

namespace kesta {

// "clicked" handlers of the login window's shutdown and restart icons; user
// data is the login window, the dialog's parent, to which they are tied
// (g_signal_connect_object).  "确定" runs "systemctl
// poweroff" or "systemctl reboot" through the shell, once, after the dialog
// is gone; the call returns when the command does.
void confirm_shutdown(GtkWidget* source, gpointer login_window) noexcept;
void confirm_reboot(GtkWidget* source, gpointer login_window) noexcept;

// "button-press-event" handlers of the "关机" and "重启" texts.
gboolean on_shutdown_label_pressed(GtkWidget* widget, GdkEventButton* event, gpointer login_window) noexcept;
gboolean on_reboot_label_pressed(GtkWidget* widget, GdkEventButton* event, gpointer login_window) noexcept;

}  // namespace kesta

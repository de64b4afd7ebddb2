// Self-service registration from the login window: a new account for an
// administrator to approve.
#pragma once

#include <gtk/gtk.h>

namespace kesta {

// Runs the dialog modally over parent until it is cancelled, closed, or a
// registration succeeded.  The form (normal or MAC address) follows
// app_config's MAC-login flag; the normal form first fetches the domain list,
// so the dialog appears once that request is over.
void show_register_dialog(GtkWidget* parent);

// "button-press-event" handler of the "注册账号" link; user data is the login
// window.
gboolean on_register_link_pressed(GtkWidget* link, GdkEventButton* event, gpointer login_window) noexcept;
// "activate-link" handler of the same link: its target "#" is no address to
// open, so the link's own action is stopped.
gboolean on_register_link_activated(GtkLabel* link, const char* uri, gpointer) noexcept;

}  // namespace kesta

// What "登录" does: sign in, then open the desktop window.
#pragma once

#include <gtk/gtk.h>

namespace kesta {

// "clicked" handler of "登录"; user data is the login window's LoginForm.
void on_login_clicked(GtkButton* button, gpointer form) noexcept;

}  // namespace kesta

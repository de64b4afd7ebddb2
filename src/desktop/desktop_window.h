// The signed-in user's window: header, one page of VM cards, paging, and the
// bottom bar.
#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "desktop/main_window_data.h"

namespace kesta {

// The period of the VM list's reload, in milliseconds; tests shorten it.
inline guint refresh_milliseconds = 60000;

// Builds and shows the window, loads the VM list once and starts the
// refresh timer.  The token is copied.
std::unique_ptr<MainWindowData> create_desktop_window(const char* token, GtkWidget* login_window);

// Release function of the login window's "main_window": removes the refresh
// timer if it still runs and frees the record; the window stays (hidden).
void destroy_main_window_data(gpointer record) noexcept;

void on_logout_clicked(GtkButton* button, gpointer record) noexcept;
void on_change_password_clicked(GtkButton* button, gpointer record) noexcept;

}  // namespace kesta

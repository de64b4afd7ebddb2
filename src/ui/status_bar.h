// The bar along the bottom of the login and desktop windows: host name,
// local address, version and clock.
#pragma once

#include <gtk/gtk.h>

namespace kesta {

// With refresh_address, the address is read again every 60 seconds; the
// clock always advances once a minute.  The bar holds the window's busy
// indicator.
GtkWidget* build_status_bar(GtkWidget* window, bool refresh_address);

// Timer callback: the address label's text from the current local address.
gboolean refresh_address_label(gpointer label) noexcept;

// Timer callback: "%Y-%m-%d %H:%M" local time on the clock label.
gboolean update_clock_label(gpointer label) noexcept;

}  // namespace kesta

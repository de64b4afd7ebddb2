// What the "连接" button and the power-menu items of a card do.
#pragma once

#include <gtk/gtk.h>

namespace kesta {

void on_connect_clicked(GtkButton* button, gpointer) noexcept;

void on_power_start(GtkMenuItem* item, gpointer) noexcept;
void on_power_shutdown(GtkMenuItem* item, gpointer) noexcept;
void on_power_stop(GtkMenuItem* item, gpointer) noexcept;
void on_power_reboot(GtkMenuItem* item, gpointer) noexcept;
void on_power_reset(GtkMenuItem* item, gpointer) noexcept;
void on_power_resume(GtkMenuItem* item, gpointer) noexcept;

}  // namespace kesta

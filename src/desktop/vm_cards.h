// One page of VM cards and the paging row.
#pragma once

#include <gtk/gtk.h>

#include "api/vm_list.h"
#include "desktop/main_window_data.h"

namespace kesta {

// Rebuilds the current page from the record's list and updates the paging
// row.  The page is not clamped to the list.
void show_vm_page(MainWindowData* data);

GtkWidget* build_vm_card(const VmInfo& vm);
void clear_vm_cards(MainWindowData* data);
void update_paging_controls(MainWindowData* data);

void on_prev_page(GtkButton* button, gpointer record) noexcept;
void on_next_page(GtkButton* button, gpointer record) noexcept;

gboolean on_menu_item_enter(GtkWidget* item, GdkEvent* event, gpointer) noexcept;
gboolean on_menu_item_leave(GtkWidget* item, GdkEvent* event, gpointer) noexcept;

}  // namespace kesta

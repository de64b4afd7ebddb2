// Keys of the named data on a desktop window and its cards.  The code of
// this layer keeps its state in the window's record and attaches these for
// whoever looks at the window from outside; it finds the record through the
// window only where a widget has nothing else to go by (a card's buttons).
#pragma once

namespace kesta::keys {

// On a desktop window.
inline constexpr char kLoginWindow[] = "login_window";
inline constexpr char kMainWindowData[] = "main_window_data";
inline constexpr char kPrevButton[] = "prev_button";
inline constexpr char kPageLabel[] = "page_label";
inline constexpr char kNextButton[] = "next_button";
inline constexpr char kCurrentPage[] = "current_page";
inline constexpr char kItemsPerPage[] = "items_per_page";
inline constexpr char kRefreshTimerId[] = "refresh_timer_id";
inline constexpr char kWindowVmId[] = "vm_id";  // the VM id of the last connection request, a C string
inline constexpr char kVmData[] = "vm_data";    // that request's reply data, a VmConfig

// On a card's "连接" button and on each power-menu item.
inline constexpr char kButtonVmid[] = "vmid";
inline constexpr char kStatus[] = "status";

}  // namespace kesta::keys

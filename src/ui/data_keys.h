// Keys of the named data that windows carry, so that widgets find each other
// without globals.
#pragma once

namespace kesta::keys {

// On the login window.
inline constexpr char kUsernameEntry[] = "username_entry";
inline constexpr char kPasswordEntry[] = "password_entry";
inline constexpr char kSaveCheck[] = "save_check";
inline constexpr char kLoginButton[] = "login_button";
inline constexpr char kUsernameBox[] = "username_box";
inline constexpr char kPasswordBox[] = "password_box";
inline constexpr char kOptionsBox[] = "options_box";
inline constexpr char kFormBox[] = "form_box";
inline constexpr char kRegisterLinkBox[] = "register_link_box";
inline constexpr char kMacInfoLabel[] = "mac_info_label";
// The signed-in desktop window's record, released with it.
inline constexpr char kMainWindow[] = "main_window";
// The sign-in under way, cancelled when the window goes.
inline constexpr char kLoginAttempt[] = "login_attempt";

// On the login and desktop windows and the registration dialog: the busy
// indicator, and whether a hold on the window's input lasts.
inline constexpr char kBusyIndicator[] = "busy_indicator";
inline constexpr char kBusy[] = "busy";

// On a desktop window.
inline constexpr char kLoginWindow[] = "login_window";
inline constexpr char kMainWindowData[] = "main_window_data";
inline constexpr char kPrevButton[] = "prev_button";
inline constexpr char kPageLabel[] = "page_label";
inline constexpr char kNextButton[] = "next_button";
inline constexpr char kCurrentPage[] = "current_page";
inline constexpr char kItemsPerPage[] = "items_per_page";
inline constexpr char kRefreshTimerId[] = "refresh_timer_id";

// On a card's "连接" button and on each power-menu item.
inline constexpr char kVmid[] = "vmid";
inline constexpr char kStatus[] = "status";

// On the desktop window.
inline constexpr char kVmId[] = "vm_id";      // the VM id of the last connection request, a C string
inline constexpr char kVmData[] = "vm_data";  // that request's reply data, a VmConfig

// On the registration dialog; its account and password entries are kept
// under kUsernameEntry and kPasswordEntry.
inline constexpr char kIsMacMode[] = "is_mac_mode";  // the form's MAC-login flag, an integer in the pointer
inline constexpr char kNicknameEntry[] = "nickname_entry";
inline constexpr char kDomainCombo[] = "domain_combo";
inline constexpr char kVerificationEntry[] = "verification_entry";
inline constexpr char kRegistration[] = "registration";  // the registration request under way

}  // namespace kesta::keys

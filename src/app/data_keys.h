// Keys of the named data that windows carry, so that widgets find each other
// without globals.
#pragma once

namespace kesta::keys {

// On the login window.
inline constexpr char kUsernameEntry[] = "username_entry";
inline constexpr char kPasswordEntry[] = "password_entry";
inline constexpr char kSaveCheck[] = "save_check";
inline constexpr char kUsernameBox[] = "username_box";
inline constexpr char kPasswordBox[] = "password_box";
inline constexpr char kOptionsBox[] = "options_box";
inline constexpr char kFormBox[] = "form_box";
inline constexpr char kRegisterLinkBox[] = "register_link_box";
inline constexpr char kMacInfoLabel[] = "mac_info_label";

}  // namespace kesta::keys

// Keys of the named data on the login window and the registration dialog.
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
// The window's LoginForm, released with it.
inline constexpr char kLoginForm[] = "login_form";
// The signed-in desktop window's record, released with it.
inline constexpr char kMainWindow[] = "main_window";
// The sign-in under way, cancelled when the window goes.
inline constexpr char kLoginAttempt[] = "login_attempt";

// On the registration dialog; its account and password entries are kept
// under kUsernameEntry and kPasswordEntry.
inline constexpr char kIsMacMode[] = "is_mac_mode";  // the form's MAC-login flag, an integer in the pointer
inline constexpr char kNicknameEntry[] = "nickname_entry";
inline constexpr char kDomainCombo[] = "domain_combo";
inline constexpr char kVerificationEntry[] = "verification_entry";
inline constexpr char kRegistration[] = "registration";  // the registration request under way

}  // namespace kesta::keys

// Keys of the named data that the widget helpers of this layer leave on
// windows.  Each layer names its own keys (desktop/desktop_keys.h,
// login/login_keys.h).
#pragma once

namespace kesta::keys {

// On the login and desktop windows and the registration dialog: the busy
// indicator, and whether a hold on the window's input lasts.
inline constexpr char kBusyIndicator[] = "busy_indicator";
inline constexpr char kBusy[] = "busy";

}  // namespace kesta::keys

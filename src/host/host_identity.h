// What the terminal is: MAC address, host name and local address.  Nothing is
// cached; every call asks the system.
#pragma once

#include <glib.h>

#include "base/i18n.h"
#include "base/ptr.h"

namespace kesta {

// Loopback, container, bridge and virtual interfaces are never the
// terminal's identity.
bool interface_is_skipped(const char* name) noexcept;

// "AA:BB:CC:DD:EE:FF" of the first interface that has an IP address and
// passes the filter; null when there is none.
GCharPtr get_mac_address();
// The host name, or "未知主机": as it is for the service, translated for
// the screen.
GCharPtr get_host_name(Translate text = untranslated);
// The first IPv4 address of an interface that passes the filter, or "未知地址"
// (translated: only the screen shows it).
GCharPtr get_local_ip();

}  // namespace kesta

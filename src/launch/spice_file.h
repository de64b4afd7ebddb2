// The virt-viewer connection file of a SPICE session.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "api/pool_settings.h"

namespace kesta {

// "<dir>/<vm id>.spice"; in /tmp by default, where other tools look for it.
// Nothing when the id is not a plain file name (empty, ".", "..", or
// holding "/") or the path would be longer than 255 bytes; a shortened name
// could be another VM's.
std::optional<std::string> spice_file_path(std::string_view vm_id, std::string_view dir = "/tmp");

// The file's twelve lines, from the server's "spriceInfo", as GKeyFile
// writes them.  Nothing when a value starts with a form feed: the format's
// reader drops it (and any blanks after it), and no escape protects it, so
// the viewer would get another value than the one sent.
std::optional<std::string> spice_file_text(const SpiceInfo& spice_info);

// Writes the file for the VM and returns its path.  The file holds the SPICE
// password, so it is owner-only, and it replaces whatever is at the name
// without writing through it: a link planted there is replaced, not
// followed.  When the name in /tmp belongs to another user, who could
// otherwise block every SPICE session by creating it, the file goes to a
// directory of the user's own instead: $XDG_RUNTIME_DIR when it is one, else
// a new 0700 directory in the temporary folder.  Prints
// "无法创建SPICE连接文件: %s" when the file cannot be written.
// Nothing when vm_id or spice_info is null.
std::optional<std::string> write_spice_file(const char* vm_id, const SpiceInfo* spice_info);

}  // namespace kesta

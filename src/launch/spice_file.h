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

// A "spriceInfo" value as the file carries it, so that the key-file reader
// gives back what the service meant.  The service writes multi-line values
// with key-file escapes (\n, \s, \t, \r, \\), and those pass unchanged;
// a backslash that begins none of them is doubled, since the reader would
// drop or reject it; raw line breaks and carriage returns, and blanks
// before the first other character, are escaped so that the value stays
// one line and whole.  Nothing when the value starts with a form feed: the
// reader drops it (and any blanks after it), and no escape protects it.
std::optional<std::string> key_file_value(std::string_view received);

// The file's twelve lines, from the server's "spriceInfo", each value as
// key_file_value gives it; with delete_after_reading the viewer's own
// "delete-this-file=1" follows, and remote-viewer removes the file once it
// has read it.  Nothing when a value cannot be carried whole.
std::optional<std::string> spice_file_text(const SpiceInfo& spice_info, bool delete_after_reading = false);

// Writes the file for the VM, for a text too long to go through a pipe, and
// returns its path.  The file holds the SPICE password, so it is
// owner-only, asks remote-viewer to delete it once read, and replaces
// whatever is at the name without writing through it: a link planted there
// is replaced, not followed.  When the name in /tmp belongs to another
// user, who could otherwise block every SPICE session by creating it, the
// file goes to a directory of the user's own instead: $XDG_RUNTIME_DIR when
// it is one, else a new 0700 directory in the temporary folder.  Prints
// "无法创建SPICE连接文件: %s" when the file cannot be written.
// Nothing when vm_id or spice_info is null.
std::optional<std::string> write_spice_file(const char* vm_id, const SpiceInfo* spice_info);

}  // namespace kesta

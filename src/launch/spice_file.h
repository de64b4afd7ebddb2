// The virt-viewer connection file of a SPICE session.
#pragma once

#include <json-glib/json-glib.h>

#include <optional>
#include <string>
#include <string_view>

namespace kesta {

// "<dir>/<vm id>.spice"; in /tmp by default, where other tools look for it.
// Nothing when the id is not a plain file name (empty, ".", "..", or
// holding "/") or the path would be longer than 255 bytes; a shortened name
// could be another VM's.
std::optional<std::string> spice_file_path(std::string_view vm_id, std::string_view dir = "/tmp");

// A value as the file's key-file format reads it back: a backslash, a line
// break and a carriage return become \\, \n and \r, and leading blanks \s
// and \t, so that a value is never cut and never adds a key.
std::string escape_spice_value(std::string_view value);

// The file's twelve lines, from the server's "spriceInfo" object: a text
// member it lacks is written empty, a missing "tls-port" as 0.  Nothing when
// a value starts with a form feed: the format's reader drops it (and any
// blanks after it), and no escape protects it, so the viewer would get
// another value than the one sent.
std::optional<std::string> spice_file_text(JsonObject* spice_info);

// Writes the file for the VM and returns its path.  The file holds the SPICE
// password, so it is owner-only, and it replaces whatever is at the name
// without writing through it: a link planted there is replaced, not
// followed.  When the name in /tmp belongs to another user, who could
// otherwise block every SPICE session by creating it, the file goes to a
// directory of the user's own instead: $XDG_RUNTIME_DIR when it is one, else
// a new 0700 directory in the temporary folder.  Prints
// "无法创建SPICE连接文件: %s" when the file cannot be written.
std::optional<std::string> write_spice_file(const char* vm_id, JsonObject* spice_info);

}  // namespace kesta

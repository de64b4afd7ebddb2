// The viewers' command lines, built from pool settings and checked against
// what those settings call for.  Each check aborts on the first difference.
#pragma once

#include <json-glib/json-glib.h>

#include <string>
#include <string_view>

namespace kesta::fuzz {

// The connection details a launcher gets besides the pool.
struct Session {
  std::string address;   // the VM's "ip"
  std::string username;  // the login user name
  std::string password;  // the stored password in plain text
};

// Builds the viewer's argument vector as the launcher does and requires it
// to be exactly the expected one: as many arguments as the settings call
// for, every value whole in an argument of its own behind its option
// prefix.  Then requires no argument to hold a NUL, and the length limit
// to keep whole arguments only.
// pool may be null.
void check_rdp_command(JsonObject* pool, const Session& session);
void check_horizon_command(JsonObject* pool, const Session& session);

// The same for remote-viewer, plus its connection file: the file name made
// of vm_id, and the file's text, which must read back (as a key file, the
// way the viewer reads it) to exactly what the values of spice_info mean,
// their key-file escapes read as the characters they stand for.  Either
// object may be null.
void check_spice_command(JsonObject* pool, std::string_view vm_id, JsonObject* spice_info);

}  // namespace kesta::fuzz

// Starting a viewer and watching it until it ends.
#pragma once

#include <glib.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/ptr.h"
#include "launch/viewer_exit.h"

namespace kesta {

// A pipe's read end that holds all of input, its write end already closed:
// a program started on it reads input and then end of file, and neither
// side ever waits for the other.  Invalid, with no error set, when input is
// more than the pipe's buffer takes: 65536 bytes on Linux (16 pages), less
// for a user whose pipes already hold more than
// /proc/sys/fs/pipe-user-pages-soft.  Invalid with the error set when no
// pipe could be made.
UniqueFd filled_pipe(std::string_view input, GError** error);

// Starts the program argv[0] with exactly these arguments: no shell, no
// search of PATH, its standard input read from standard_input (/dev/null
// when that is invalid).  The program stays the client's child, watched on
// the main loop without ever blocking it: each line of its standard output
// and error is printed as "<name>: <line>", escaped and bounded, and when it
// ends it is reaped and the handler given to when_viewer_ends learns how.
// Returns its process id, or 0 with the error set when it could not be
// started.
GPid spawn_viewer(const std::vector<std::string>& argv, std::string_view name, const UniqueFd& standard_input,
                  GError** error);

// The same with a filled_pipe of input (/dev/null when input is empty); an
// input larger than the pipe takes is an error.  What the viewer reads is
// never printed.
GPid spawn_viewer(const std::vector<std::string>& argv, std::string_view name, GError** error,
                  std::string_view input = {});

// The handler is called once, from the main loop, when the viewer with this
// id ends; it replaces any handler given before.  Nothing happens for an id
// that is not a running viewer.
void when_viewer_ends(GPid pid, std::function<void(const ViewerEnd&)> handler);

// Asks a running viewer to end (SIGTERM); false when no viewer the client
// watches has this id, so that a recycled id is never signalled.
bool end_viewer(GPid pid);

}  // namespace kesta

// Starting a viewer and watching it until it ends.
#pragma once

#include <glib.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "launch/viewer_exit.h"

namespace kesta {

// Starts the program argv[0] with exactly these arguments: no shell, no
// search of PATH.  Its standard input gives `input` and then end of file
// (/dev/null when input is empty); input must fit into a pipe's buffer, as
// a few passwords do, and is never printed.  The program stays the client's
// child, watched on the main loop without ever blocking it: each line of
// its standard output and error is printed as "<name>: <line>", escaped and
// bounded, and when it ends it is reaped and the handler given to
// when_viewer_ends learns how.  Returns its process id, or 0 with the error
// set when it could not be started.
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

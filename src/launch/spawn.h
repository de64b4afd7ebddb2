// Starting a viewer.
#pragma once

#include <glib.h>

#include <string>
#include <string_view>
#include <vector>

namespace kesta {

// Starts the program argv[0] with exactly these arguments: no shell, no
// search of PATH.  Its standard input gives `input` and then end of file
// (/dev/null when input is empty); input must fit into a pipe's buffer, as
// a few passwords do.  The program runs detached; it is not waited for and
// leaves no zombie.  False, with the error set, when it could not be
// started.
bool spawn_detached(const std::vector<std::string>& argv, GError** error, std::string_view input = {});

}  // namespace kesta

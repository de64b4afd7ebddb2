// Starting a viewer.
#pragma once

#include <glib.h>

#include <string>
#include <vector>

namespace kesta {

// Starts the program argv[0] with exactly these arguments: no shell, no
// search of PATH, stdin from /dev/null.  The program runs detached; it is
// not waited for and leaves no zombie.  False, with the error set, when it
// could not be started.
bool spawn_detached(const std::vector<std::string>& argv, GError** error);

}  // namespace kesta

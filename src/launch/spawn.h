// Starting a viewer.
#pragma once

#include <glib.h>

#include <string>
#include <string_view>
#include <vector>

#include "base/ptr.h"

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
// when that is invalid).  The program runs detached; it is not waited for
// and leaves no zombie.  False, with the error set, when it could not be
// started.
bool spawn_detached(const std::vector<std::string>& argv, const UniqueFd& standard_input, GError** error);

// The same with a filled_pipe of input (/dev/null when input is empty); an
// input larger than the pipe takes is an error.
bool spawn_detached(const std::vector<std::string>& argv, GError** error, std::string_view input = {});

}  // namespace kesta

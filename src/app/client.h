// The client's start-up and run.
#pragma once

namespace kesta {

// Prepares crypto and GTK, loads the configuration, installs the style
// sheet, shows the login window and runs the main loop.  Returns the exit
// status, always 0.
int run_client(int argc, char** argv);

}  // namespace kesta

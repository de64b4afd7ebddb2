// Whether a program has put a window on the screen.
#pragma once

#include <glib.h>

namespace kesta {

// True when a top-level window whose _NET_WM_PID is pid is mapped on the
// default display: directly under the root, or one level down in a window
// manager's frame.  False on a display that is not X11.  A few round trips
// to the X server; cheap enough to ask a few times a second.
bool pid_has_window(GPid pid);

}  // namespace kesta

// GTK's start-up for the client's windows.
#pragma once

namespace kesta {

// gtk_init without GTK's OpenGL probe.  On X, GTK starts the OpenGL driver
// only to choose its visuals (with Mesa's software renderer that loads LLVM:
// some 50 MiB and a fifth of the time to the first frame, whenever the
// client is the X server's first GTK program, as at a kiosk's start), for
// windows that never draw with OpenGL.  A GDK_GL the user set is kept.
void init_toolkit(int* argc, char*** argv);

}  // namespace kesta

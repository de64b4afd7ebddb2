#include "ui/toolkit.h"

#include <gtk/gtk.h>

namespace kesta {

void init_toolkit(int* argc, char*** argv) {
  // GDK reads the variable once, within gtk_init, which starts no thread;
  // it is taken out again at once, so that the viewers the client starts
  // get the environment it was given.
  const bool chosen = g_getenv("GDK_GL") != nullptr;
  if (!chosen) g_setenv("GDK_GL", "disable", TRUE);
  gtk_init(argc, argv);
  if (!chosen) g_unsetenv("GDK_GL");
}

}  // namespace kesta

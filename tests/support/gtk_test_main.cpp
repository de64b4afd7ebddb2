// Test entry for the whole suite: GTK is initialised once, before any test,
// on the display the runner provides (Xvfb).
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <cstring>
#include <string>

#include "base/i18n.h"
#include "base/output.h"
#include "base/ptr.h"
#include "support/scripted_viewers.h"

namespace {

// No test may power off or restart the machine it runs on, whatever it
// clicks: a "systemctl" that does nothing stands first on PATH for every
// test process.  Tests of the power buttons put their own recording one in
// front of it.
class SystemctlGuard {
 public:
  SystemctlGuard() {
    kesta::GCharPtr dir(g_dir_make_tmp("kesta-guard-XXXXXX", nullptr));
    if (!dir) std::abort();
    dir_ = dir.get();
    program_ = dir_ + "/systemctl";
    if (!g_file_set_contents(program_.c_str(), "#!/bin/sh\nexit 0\n", -1, nullptr) ||
        g_chmod(program_.c_str(), 0700) != 0)
      std::abort();
    const char* path = g_getenv("PATH");
    g_setenv("PATH", (dir_ + ":" + (path ? path : "/usr/bin:/bin")).c_str(), TRUE);
  }
  ~SystemctlGuard() {
    g_unlink(program_.c_str());
    g_rmdir(dir_.c_str());
  }

 private:
  std::string dir_;
  std::string program_;
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  const SystemctlGuard guard;
  kesta::install_output_handler();
  kesta::bind_translations();
  if (!gtk_init_check(&argc, &argv)) {
    std::fprintf(stderr, "no display: run the tests under Xvfb (scripts/test does)\n");
    return 1;
  }
  // Started again by a scripted viewer: a window of a program other than
  // the client, as a viewer's, until it is ended.
  if (argc > 1 && std::strcmp(argv[1], kesta::test::kStandInWindow) == 0) {
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "stand-in viewer");
    gtk_widget_show(window);
    gtk_main();
    return 0;
  }
  return RUN_ALL_TESTS();
}

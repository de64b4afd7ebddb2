// GTK's start-up for the client: without OpenGL, and with the environment
// its viewers inherit left as the client was given it.
#include "ui/toolkit.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <string>

#include "base/ptr.h"
#include "support/spin.h"
#include "ui/pid_window.h"

namespace kesta {
namespace {

using namespace std::chrono_literals;

TEST(Toolkit, TakesOutTheVariableItSetAndKeepsTheUsers) {
  g_unsetenv("GDK_GL");
  init_toolkit(nullptr, nullptr);
  EXPECT_EQ(g_getenv("GDK_GL"), nullptr);

  g_setenv("GDK_GL", "legacy", TRUE);
  init_toolkit(nullptr, nullptr);
  EXPECT_STREQ(g_getenv("GDK_GL"), "legacy");
  g_unsetenv("GDK_GL");
}

// The visuals GTK chose with OpenGL are kept on the root window for the
// X server's later GTK programs, this test's among them; without them the
// client would have to start OpenGL to choose again, unless it does without.
void forget_gl_visuals() {
  gdk_property_delete(gdk_get_default_root_window(), gdk_atom_intern_static_string("GDK_VISUALS"));
  gdk_display_sync(gdk_display_get_default());
}

TEST(Toolkit, TheClientShowsItsLoginWindowWithoutStartingOpenGl) {
  const char* program = g_getenv("KESTA_TEST_PROGRAM");
  ASSERT_NE(program, nullptr);
  forget_gl_visuals();
  char* argv[] = {const_cast<char*>(program), nullptr};
  GPid pid = 0;
  ASSERT_TRUE(g_spawn_async(nullptr, argv, nullptr,
                            static_cast<GSpawnFlags>(G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_STDOUT_TO_DEV_NULL), nullptr,
                            nullptr, &pid, nullptr));
  const bool shown = test::spin_until([pid] { return pid_has_window(pid); }, 60s, 100ms);
  const GCharPtr maps_path(g_strdup_printf("/proc/%d/maps", pid));
  gchar* maps_text = nullptr;
  const bool read = g_file_get_contents(maps_path.get(), &maps_text, nullptr, nullptr);
  const GCharPtr maps(maps_text);
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  g_spawn_close_pid(pid);

  ASSERT_TRUE(shown) << "no login window";
  ASSERT_TRUE(read);
  EXPECT_EQ(std::string(maps.get()).find("libGLX"), std::string::npos) << "the client started OpenGL";
}

}  // namespace
}  // namespace kesta

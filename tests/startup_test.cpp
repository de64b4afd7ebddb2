#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/client.h"
#include "base/config.h"
#include "base/ptr.h"
#include "support/print_capture.h"
#include "support/temp_home.h"

namespace kesta {
namespace {

// Closes the login window once it is on screen.
gboolean close_login_window(gpointer) noexcept {
  GList* windows = gtk_window_list_toplevels();
  bool closed = false;
  for (GList* w = windows; w; w = w->next) {
    const char* title = gtk_window_get_title(GTK_WINDOW(w->data));
    if (title && g_str_equal(title, "KESTA 客户端") && gtk_widget_get_mapped(GTK_WIDGET(w->data))) {
      gtk_widget_destroy(GTK_WIDGET(w->data));
      closed = true;
      break;
    }
  }
  g_list_free(windows);
  return closed ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

// Runs the program until its login window is on screen, then closes it;
// what it printed.
std::string run_until_login_window() {
  const SourcePtr closer = add_timeout(50, close_login_window, nullptr);
  char name[] = "kesta-client";
  char* argv[] = {name, nullptr};
  test::capture_prints();
  EXPECT_EQ(run_client(1, argv), 0);
  return test::captured_prints();
}

TEST(Startup, ClosingTheLoginWindowEndsTheProgramWithZero) {
  test::write_file(test::config_path(), "[not an object]");
  const std::string out = run_until_login_window();
  EXPECT_NE(out.find("解析配置文件失败: "), std::string::npos) << out;
  EXPECT_STREQ(app_config.protocol, "freerdp") << "the defaults apply after a failed load";
  EXPECT_EQ(app_config.save_credentials, 1);
  test::remove_file(test::config_path());
}

// Whatever stands where the settings file belongs, the login window comes
// with the defaults, and the next save puts a file of ours there.
TEST(Startup, AStrangeConfigurationFileMeansTheDefaults) {
  const std::string path = test::config_path();
  const std::vector<std::pair<const char*, std::function<int()>>> cases = {
      {"a FIFO", [&] { return mkfifo(path.c_str(), 0600); }},
      {"a link to /dev/zero", [&] { return symlink("/dev/zero", path.c_str()); }},
      {"100 MB",
       [&] {
         test::write_file(path, "{}");
         return truncate(path.c_str(), 100 << 20);
       }},
      {"a directory", [&] { return mkdir(path.c_str(), 0700); }},
  };
  for (const auto& [name, make] : cases) {
    SCOPED_TRACE(name);
    ASSERT_EQ(make(), 0);
    const std::string out = run_until_login_window();
    EXPECT_TRUE(out.starts_with("配置文件不存在，将使用默认配置\n")) << out;
    EXPECT_STREQ(app_config.protocol, "freerdp");
    if (std::string(name) != "a directory") {
      EXPECT_TRUE(save_config());
      struct stat info {};
      ASSERT_EQ(lstat(path.c_str(), &info), 0);
      EXPECT_TRUE(S_ISREG(info.st_mode)) << "the save replaces it";
      EXPECT_EQ(info.st_mode & 0777, 0600u);
      test::remove_file(path);
    } else {
      rmdir(path.c_str());
    }
  }
}

}  // namespace
}  // namespace kesta

#include <gtest/gtest.h>
#include <gtk/gtk.h>

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

TEST(Startup, ClosingTheLoginWindowEndsTheProgramWithZero) {
  test::write_file(test::config_path(), "[not an object]");
  const SourcePtr closer = add_timeout(50, close_login_window, nullptr);
  char name[] = "kesta-client";
  char* argv[] = {name, nullptr};
  test::capture_prints();
  EXPECT_EQ(run_client(1, argv), 0);
  const std::string out = test::captured_prints();
  EXPECT_NE(out.find("解析配置文件失败: "), std::string::npos) << out;
  EXPECT_STREQ(app_config.protocol, "freerdp") << "the defaults apply after a failed load";
  EXPECT_EQ(app_config.save_credentials, 1);
  test::remove_file(test::config_path());
}

}  // namespace
}  // namespace kesta

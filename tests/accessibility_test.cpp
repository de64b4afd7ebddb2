// A screen reader finds every control by name and role: this program runs
// again as a child showing the login or the desktop window, and the parent
// reads the child's accessible objects through AT-SPI, as Orca would.
#include <atspi/atspi.h>
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <string>
#include <vector>

#include "base/ptr.h"
#include "support/client_fixture.h"
#include "support/spin.h"

namespace kesta {
namespace {

using namespace std::chrono_literals;

constexpr char kScreenVariable[] = "KESTA_A11Y_SCREEN";

// In the child: the window shown until the parent has read it.
class Shown : public test::ClientFixture {};

TEST_F(Shown, UntilEnded) {
  const char* screen = g_getenv(kScreenVariable);
  if (!screen) GTEST_SKIP() << "runs as the child of AccessibleNames";
  service_->service().set_vms({test::vm("vm1", "running", "办公桌面"), test::vm("vm2", "stopped", "设计桌面")});
  build_login();
  if (std::string(screen) == "desktop") sign_in();
  std::printf("ready\n");
  std::fflush(stdout);
  test::spin_until([] { return false; }, 120s);
}

// --- In the parent -----------------------------------------------------------

struct Node {
  AtspiRole role;
  std::string name;
  std::string description;
  bool operator==(const Node&) const = default;
};

void PrintTo(const Node& n, std::ostream* out) {
  *out << GCharPtr(atspi_role_get_name(n.role)).get() << " \"" << n.name << "\" \"" << n.description << "\"";
}

void collect(AtspiAccessible* object, std::vector<Node>& nodes) {
  GCharPtr name(atspi_accessible_get_name(object, nullptr));
  GCharPtr description(atspi_accessible_get_description(object, nullptr));
  nodes.push_back(
      {atspi_accessible_get_role(object, nullptr), name ? name.get() : "", description ? description.get() : ""});
  const int count = atspi_accessible_get_child_count(object, nullptr);
  for (int i = 0; i < count; ++i) {
    auto child = take_ref(atspi_accessible_get_child_at_index(object, i, nullptr));
    if (child) collect(child.get(), nodes);
  }
}

// The accessible objects of the application with that process id, once it
// has registered with the accessibility bus.
std::vector<Node> accessible_tree(GPid pid) {
  std::vector<Node> nodes;
  test::spin_until(
      [&] {
        auto desktop = take_ref(atspi_get_desktop(0));
        for (int i = 0; i < atspi_accessible_get_child_count(desktop.get(), nullptr); ++i) {
          auto app = take_ref(atspi_accessible_get_child_at_index(desktop.get(), i, nullptr));
          if (app && static_cast<GPid>(atspi_accessible_get_process_id(app.get(), nullptr)) == pid) {
            collect(app.get(), nodes);
            return true;
          }
        }
        return false;
      },
      60s);
  return nodes;
}

struct Screen {
  const char* name;
  std::vector<Node> expected;
};

void PrintTo(const Screen& s, std::ostream* out) { *out << s.name; }

class AccessibleNames : public testing::TestWithParam<Screen> {};

TEST_P(AccessibleNames, EveryControlHasANameAndARole) {
  const int init = atspi_init();  // 1: already, for an earlier window
  ASSERT_TRUE(init == 0 || init == 1) << "no accessibility bus";
  auto launcher = take_ref(g_subprocess_launcher_new(G_SUBPROCESS_FLAGS_STDOUT_PIPE));
  g_subprocess_launcher_setenv(launcher.get(), kScreenVariable, GetParam().name, TRUE);
  const GCharPtr self(g_file_read_link("/proc/self/exe", nullptr));
  auto child = take_ref(
      g_subprocess_launcher_spawn(launcher.get(), nullptr, self.get(), "--gtest_filter=Shown.UntilEnded", nullptr));
  ASSERT_TRUE(child);
  auto lines = take_ref(g_data_input_stream_new(g_subprocess_get_stdout_pipe(child.get())));
  bool ready = false;
  while (!ready) {
    GCharPtr line(g_data_input_stream_read_line(lines.get(), nullptr, nullptr, nullptr));
    if (!line) break;
    ready = std::string(line.get()) == "ready";
  }
  ASSERT_TRUE(ready) << "the child ended before showing its window";
  const std::vector<Node> nodes = accessible_tree(std::stoi(g_subprocess_get_identifier(child.get())));
  for (const Node& node : GetParam().expected)
    EXPECT_NE(std::ranges::find(nodes, node), nodes.end()) << testing::PrintToString(node);
  g_subprocess_send_signal(child.get(), SIGTERM);
  g_subprocess_wait(child.get(), nullptr, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Windows, AccessibleNames,
                         testing::Values(Screen{"login",
                                                {{ATSPI_ROLE_ENTRY, "用户名", ""},
                                                 {ATSPI_ROLE_PASSWORD_TEXT, "密码", ""},
                                                 {ATSPI_ROLE_CHECK_BOX, "自动登录", ""},
                                                 {ATSPI_ROLE_PUSH_BUTTON, "登录", ""},
                                                 {ATSPI_ROLE_LINK, "注册账号", ""},
                                                 {ATSPI_ROLE_PUSH_BUTTON, "设置", "设置"},
                                                 {ATSPI_ROLE_PUSH_BUTTON, "重启", "重启"},
                                                 {ATSPI_ROLE_PUSH_BUTTON, "关机", "关机"}}},
                                         Screen{"desktop",
                                                {{ATSPI_ROLE_PUSH_BUTTON, "刷新", ""},
                                                 {ATSPI_ROLE_PUSH_BUTTON, "注销", ""},
                                                 {ATSPI_ROLE_TOGGLE_BUTTON, "电源选项", "电源选项 办公桌面"},
                                                 {ATSPI_ROLE_PUSH_BUTTON, "连接", "连接 办公桌面"},
                                                 {ATSPI_ROLE_TOGGLE_BUTTON, "电源选项", "电源选项 设计桌面"},
                                                 {ATSPI_ROLE_PUSH_BUTTON, "连接", "连接 设计桌面"},
                                                 {ATSPI_ROLE_PUSH_BUTTON, "上一页", ""},
                                                 {ATSPI_ROLE_PUSH_BUTTON, "下一页", ""}}}),
                         [](const testing::TestParamInfo<Screen>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kesta

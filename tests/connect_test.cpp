#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/cipher.h"
#include "base/config.h"
#include "base/fixed_text.h"
#include "desktop/desktop_keys.h"
#include "desktop/sessions.h"
#include "launch/viewer.h"
#include "support/client_fixture.h"
#include "support/print_capture.h"
#include "support/scripted_viewers.h"
#include "support/spin.h"
#include "support/temp_home.h"
#include "support/widget_find.h"
#include "ui/data_keys.h"
#include "ui/pid_window.h"

namespace kesta {
namespace {

constexpr char kHorizonPool[] =
    R"({"ip": "127.0.0.1", "ostype": "windows", "pool": {"pool": {"connecttype": "blast"}}})";

// "连接" on a running card: the configuration request and the hand-over to
// the viewer, with the Horizon client replaced by a program that records its
// arguments.
class Connect : public test::ClientFixture {
 protected:
  void SetUp() override {
    ClientFixture::SetUp();
    dir_ = test::make_temp_dir();
    record_ = dir_ + "/argv";
    const std::string program = dir_ + "/vmware-view";
    test::write_file(program, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + record_ + ".tmp\" && mv \"" + record_ +
                                  ".tmp\" \"" + record_ + "\"\n");
    chmod(program.c_str(), 0700);
    viewer_paths.vmware_view = program;
  }
  void TearDown() override {
    viewer_paths = ViewerPaths{};
    test::remove_file(record_);
    test::remove_file(dir_ + "/vmware-view");
    g_rmdir(dir_.c_str());
    ClientFixture::TearDown();
  }
  void sign_in_to(const std::string& config, bool save_credentials = false) {
    service_->service().set_vms({test::vm("vm-1", "running")});
    service_->service().set_vm_config("vm-1", config);
    app_config.save_credentials = save_credentials;
    test::capture_prints();
    sign_in("alice", "secret", save_credentials);
    test::captured_prints();
    ASSERT_NE(record(), nullptr);
  }
  std::string connect() {
    test::capture_prints();
    click_connect(cards()[0]);
    return test::captured_prints();
  }
  // The viewer's arguments, once it has run.
  std::vector<std::string> viewer_arguments() {
    EXPECT_TRUE(test::spin_until([&] { return g_file_test(record_.c_str(), G_FILE_TEST_EXISTS); },
                                 std::chrono::seconds(10)));
    std::vector<std::string> lines;
    std::string text = test::read_file(record_);
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
      lines.push_back(text.substr(at, end - at));
    return lines;
  }
  void expect_dialog(const std::string& title, const std::string& message) {
    ASSERT_FALSE(dialogs().empty()) << title;
    EXPECT_EQ(dialogs().back().title, title);
    EXPECT_EQ(dialogs().back().message, message);
  }

  std::string dir_, record_;
};

TEST_F(Connect, StartsTheViewerWithTheStoredPassword) {
  sign_in_to(kHorizonPool, true);
  const std::string out = connect();
  const auto request = service_->received().last(test::paths::kVmConfig);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->raw_query, "vmid=vm-1");
  EXPECT_EQ(request->header("Authorization"), std::string("Bearer ") + test::kToken);
  EXPECT_NE(out.find("准备连接到虚拟机 - IP: 127.0.0.1, OS: windows, 连接类型: blast"), std::string::npos) << out;

  const auto args = viewer_arguments();
  EXPECT_NE(std::find(args.begin(), args.end(), "--userName=alice"), args.end());
  EXPECT_NE(std::find(args.begin(), args.end(), "--password=secret"), args.end());
  EXPECT_TRUE(dialogs().empty()) << "a started viewer shows nothing";
  EXPECT_STREQ(static_cast<const char*>(g_object_get_data(G_OBJECT(record()->window), keys::kWindowVmId)), "vm-1");
  EXPECT_NE(g_object_get_data(G_OBJECT(record()->window), keys::kVmData), nullptr);
}

// alice once saved her name and password; bob signs in after her without
// saving his: his viewer gets his own, never hers.
TEST_F(Connect, TheViewerGetsTheCredentialsOfWhoSignedIn) {
  sign_in_to(kHorizonPool, true);
  ASSERT_STREQ(app_config.username, "alice");
  gtk_button_clicked(GTK_BUTTON(test::find_button(record()->window, "注销")));
  service_->service().add_account("bob", "bob password", "token-bob");
  test::capture_prints();
  sign_in("bob", "bob password", false);
  test::captured_prints();
  connect();
  const auto args = viewer_arguments();
  EXPECT_NE(std::find(args.begin(), args.end(), "--userName=bob"), args.end());
  EXPECT_NE(std::find(args.begin(), args.end(), "--password=bob password"), args.end());
  EXPECT_STREQ(app_config.username, "alice") << "what alice saved stays hers";
}

TEST_F(Connect, EveryFailureEndsInItsDialog) {
  sign_in_to(kHorizonPool);
  const std::string path = test::paths::kVmConfig;
  struct Case {
    test::Reply reply;
    const char* title;
    const char* message;
  };
  for (const Case& k :
       {Case{{500, "<html>error page</html>", "text/html"}, "获取配置失败", "<html>error page</html>"},
        Case{{200, "not json", "text/plain"}, "响应错误", "无法解析服务器响应"},
        Case{{200, R"({"success": false, "message": "虚拟机不存在"})", "application/json"}, "获取配置失败", "虚拟机不存在"},
        Case{{200, R"({"success": true})", "application/json"}, "获取配置失败", "未知错误"},
        Case{{200, R"({"success": true, "data": {"pool": {}}})", "application/json"}, "配置错误",
             "无法获取虚拟机池配置信息"},
        Case{{200, R"({"success": true, "data": {"pool": {"pool": {"rdpport": "x"}}}})", "application/json"},
             "连接失败", "不支持的连接类型: "},
        Case{{200, R"({"success": true, "data": {"ip": 5, "pool": {"pool": {"connecttype": "SPICE"}}}})",
              "application/json"},
             "连接失败", "不支持的连接类型: SPICE"}}) {
    service_->scripts().force_reply(path, k.reply);
    connect();
    expect_dialog(k.title, k.message);
  }
  EXPECT_NE(g_object_get_data(G_OBJECT(record()->window), keys::kVmData), nullptr)
      << "attached before the pool is examined";

  service_->scripts().clear(path);
  service_->service().expire_token(test::kToken);
  const std::size_t before = dialogs().size();
  connect();
  ASSERT_EQ(dialogs().size(), before + 1);
  expect_dialog("会话已过期", "您的登录会话已过期，请重新登录");
  EXPECT_FALSE(gtk_widget_get_visible(record()->window));
}

TEST_F(Connect, NoServerMeansNoConnection) {
  sign_in_to(kHorizonPool);
  service_.reset();
  const std::string out = connect();
  expect_dialog("获取配置失败", "无法连接到服务器");
  EXPECT_NE(out.find("请求失败，状态码: "), std::string::npos);
}


constexpr char kRdpPool[] =
    R"({"ip": "127.0.0.1", "ostype": "windows", "pool": {"pool": {"connecttype": "freerdp2", "accounttype": "all",
        "accountUser": "pool user"}}})";

// "连接" with scripted viewers: what their end shows, the opening in the
// bottom bar, one session per VM, and signing out when the session ends.
class Session : public test::ClientFixture {
 protected:
  void SetUp() override {
    ClientFixture::SetUp();
    app_config.logout_on_session_end = 0;
  }
  void TearDown() override {
    session_opening_milliseconds = 15000;
    ClientFixture::TearDown();
  }
  void sign_in_to(const char* config) {
    service_->service().set_vms({test::vm("vm-1", "running")});
    service_->service().set_vm_config("vm-1", config);
    test::capture_prints();
    sign_in();
    test::captured_prints();
    ASSERT_NE(record(), nullptr);
  }
  void connect() { click_connect(cards()[0]); }
  // Waits until the capture, started before "连接", shows a viewer's end.
  static bool wait_for_end(const test::PrintCapture& prints) {
    return test::spin_until([&] { return prints.text().find("客户端已结束，") != std::string::npos; },
                            std::chrono::seconds(30));
  }
  std::size_t config_requests() { return service_->received().count(test::paths::kVmConfig); }
  // What the bottom bar's indicator says now; empty while it is hidden.
  std::string indicator_text() {
    auto* indicator = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(record()->window), keys::kBusyIndicator));
    GList* children = gtk_container_get_children(GTK_CONTAINER(indicator));
    auto* label = GTK_WIDGET(g_list_nth_data(children, 1));
    g_list_free(children);
    return gtk_widget_get_visible(label) ? gtk_label_get_text(GTK_LABEL(label)) : "";
  }

  test::ScriptedViewers viewers_;
};

TEST_F(Session, EachEndShowsWhatWentWrongOrNothing) {
  struct Row {
    const char* pool;
    const char* out;
    const char* err;
    int status;
    const char* message;  // null: no dialog
  } rows[] = {
      {kRdpPool, "[ERROR][com.freerdp.core] - ERRCONNECT_LOGON_FAILURE\n", "", 134, "用户名或密码错误"},
      {kRdpPool, "", "", 132, "用户名或密码错误"},
      {kRdpPool, "", "", 131, "无法连接到虚拟机 127.0.0.1"},
      {kRdpPool, "", "", 140, "无法连接到虚拟机 127.0.0.1"},
      {kRdpPool, "", "", 133, "与虚拟机协商安全协议失败"},
      {kRdpPool, "", "", 135, "账户已被锁定"},
      {kRdpPool, "[ERROR] something new\n", "", 200, "RDP客户端异常退出: [ERROR] something new"},
      {kRdpPool, "bye\n", "", 0, nullptr},
      {kRdpPool, "", "", 1, nullptr},
      {kRdpPool, "", "", 2, nullptr},
      {kRdpPool, "", "", 11, nullptr},
      {kHorizonPool, "", "Unable to connect to the server\n", 1, "Blast客户端异常退出: Unable to connect to the server"},
      {kHorizonPool, "", "", 0, nullptr},
  };
  sign_in_to(kRdpPool);
  for (const Row& row : rows) {
    service_->service().set_vm_config("vm-1", row.pool);
    viewers_.script(row.out, row.err, row.status);
    const std::size_t before = dialogs().size();
    test::PrintCapture prints;
    connect();
    ASSERT_TRUE(wait_for_end(prints)) << row.status << "\n" << prints.text();
    if (row.message) {
      ASSERT_EQ(dialogs().size(), before + 1) << row.status;
      EXPECT_EQ(dialogs().back().title, "连接失败");
      EXPECT_EQ(dialogs().back().message, row.message);
    } else {
      EXPECT_EQ(dialogs().size(), before) << row.status << ": a normal end shows nothing";
    }
    EXPECT_EQ(indicator_text(), "") << "the opening ends with the viewer";
    EXPECT_TRUE(gtk_widget_get_visible(record()->window)) << "still signed in";
  }
}

TEST_F(Session, OpeningShowsUntilTheViewersWindowAppears) {
  session_opening_milliseconds = 10 * 60 * 1000;
  sign_in_to(kHorizonPool);
  viewers_.show_window();
  connect();
  EXPECT_EQ(indicator_text(), "正在打开会话…");
  EXPECT_EQ(g_object_get_data(G_OBJECT(record()->window), keys::kBusy), nullptr) << "input is not held";
  EXPECT_EQ(gtk_grab_get_current(), nullptr);
  const GPid pid = viewers_.started(1).at(0);
  EXPECT_TRUE(test::spin_until([&] { return indicator_text().empty(); }, std::chrono::seconds(60)));
  EXPECT_TRUE(pid_has_window(pid)) << "ended by the window, long before the time limit";
}

TEST_F(Session, OpeningEndsAtTheTimeLimit) {
  session_opening_milliseconds = 300;
  sign_in_to(kHorizonPool);
  viewers_.hold();
  connect();
  EXPECT_EQ(indicator_text(), "正在打开会话…");
  const GPid pid = viewers_.started(1).at(0);
  EXPECT_TRUE(test::spin_until([&] { return indicator_text().empty(); }));
  EXPECT_FALSE(test::ScriptedViewers::gone(pid)) << "the viewer runs on";
  EXPECT_FALSE(pid_has_window(pid));
}

TEST_F(Session, ASecondConnectAsksAndReconnectReplacesTheViewer) {
  // Set, to show that a replaced viewer's end is no session's end.
  app_config.logout_on_session_end = 1;
  sign_in_to(kRdpPool);
  viewers_.hold();
  connect();
  const GPid first = viewers_.started(1).at(0);
  const std::size_t requests = config_requests();

  dialogs_->queue_response(GTK_RESPONSE_CANCEL);
  connect();
  ASSERT_EQ(dialogs().size(), 1u);
  EXPECT_EQ(dialogs()[0].title, "会话已打开");
  EXPECT_EQ(dialogs()[0].heading, "会话已打开");
  EXPECT_EQ(dialogs()[0].message, "该虚拟机的会话已经打开。重新连接将结束正在运行的会话，再打开一个新的。");
  EXPECT_EQ(config_requests(), requests) << "\"取消\" leaves the session";
  EXPECT_FALSE(test::ScriptedViewers::gone(first));

  dialogs_->queue_response(GTK_RESPONSE_ACCEPT);
  test::PrintCapture prints;
  connect();
  ASSERT_EQ(dialogs().size(), 2u);
  EXPECT_EQ(config_requests(), requests + 1);
  const std::vector<GPid> pids = viewers_.started(2);
  ASSERT_EQ(pids.size(), 2u);
  EXPECT_NE(pids[1], first);
  EXPECT_TRUE(test::spin_until([&] { return test::ScriptedViewers::gone(first); }, std::chrono::seconds(30)));
  EXPECT_EQ(prints.count("结束正在运行的会话，进程号: " + std::to_string(first)), 1) << prints.text();
  EXPECT_FALSE(test::ScriptedViewers::gone(pids[1]));
  EXPECT_EQ(dialogs().size(), 2u) << "the ended viewer shows nothing";
  EXPECT_TRUE(gtk_widget_get_visible(record()->window)) << "and signs no one out";

  // The new one is the session now: a third press asks again.
  dialogs_->queue_response(GTK_RESPONSE_CANCEL);
  connect();
  ASSERT_EQ(dialogs().size(), 3u);
  EXPECT_EQ(dialogs()[2].title, "会话已打开");
}

TEST_F(Session, TheEndOfTheLastSessionSignsOutOnlyWhenSet) {
  for (const bool on : {false, true}) {
    app_config.logout_on_session_end = on;
    if (record()) gtk_button_clicked(GTK_BUTTON(test::find_button(record()->window, "注销")));
    sign_in_to(kHorizonPool);
    viewers_.script("", "", 0);
    test::PrintCapture prints;
    connect();
    ASSERT_TRUE(wait_for_end(prints));
    EXPECT_EQ(gtk_widget_get_visible(record()->window), !on) << on;
    EXPECT_EQ(gtk_widget_get_visible(login_), on) << on;
    EXPECT_EQ(prints.count("会话已结束，自动注销"), on ? 1 : 0);
  }
}

}  // namespace
}  // namespace kesta

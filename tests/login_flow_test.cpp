#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/cipher.h"
#include "base/config.h"
#include "base/fixed_text.h"
#include "desktop/desktop_keys.h"
#include "host/host_identity.h"
#include "login/login_keys.h"
#include "support/client_fixture.h"
#include "support/offline_resolver.h"
#include "support/print_capture.h"
#include "support/spin.h"
#include "support/temp_home.h"
#include "support/widget_find.h"

namespace kesta {
namespace {

using test::named;
using test::shown;

class LoginFlow : public test::ClientFixture {
 protected:
  // Signs in and expects one "登录失败" dialog with this message and no
  // desktop window.
  void expect_failure(const std::string& message, const std::string& user = "alice",
                      const std::string& password = "secret") {
    const std::size_t before = dialogs().size();
    test::capture_prints();
    sign_in(user, password);
    test::captured_prints();
    ASSERT_EQ(dialogs().size(), before + 1) << message;
    EXPECT_EQ(dialogs().back().title, "登录失败");
    EXPECT_EQ(dialogs().back().message, message);
    EXPECT_EQ(record(), nullptr);
    EXPECT_TRUE(gtk_widget_get_visible(login_));
  }
  void force_login_reply(unsigned status, const std::string& body, const std::string& type = "application/json") {
    service_->scripts().force_reply(test::paths::kLogin, test::Reply{status, body, type});
  }
};

TEST_F(LoginFlow, EveryRefusalEndsInOneDialog) {
  expect_failure("请输入用户名和密码", "", "secret");
  expect_failure("请输入用户名和密码", "alice", "");
  EXPECT_EQ(service_->received().count(test::paths::kLogin), 0u) << "no request without both fields";

  expect_failure("用户名或密码错误", "alice", "wrong");

  force_login_reply(401, R"({"success": false, "message": "账号已停用"})");
  expect_failure("登录失败: 账号已停用");
  force_login_reply(500, "<html><body>Internal Server Error</body></html>", "text/html");
  expect_failure("无法连接到服务器");
  force_login_reply(200, R"({"success": false})");
  expect_failure("未知错误");
  force_login_reply(200, R"({"success": true, "data": {}})");
  expect_failure("未能获取访问令牌");
  force_login_reply(200, R"({"success": true, "data": {"accessToken": 12}})");
  expect_failure("未能获取访问令牌");
  force_login_reply(200, "{not json");
  expect_failure("服务器响应解析错误");
}

TEST_F(LoginFlow, ARefusalMessagePrintsAsOneEscapedLine) {
  // ESC, BEL and a line break that would forge a line of its own.
  const std::string message = R"({"success":false,"message":"bad\u001b[31m\u0007\n请求失败，状态码: 200"})";
  const std::string escaped = "bad\\x1b[31m\\x07\\x0a请求失败，状态码: 200";
  struct Row {
    unsigned status;
    std::vector<std::string> lines;
  } rows[] = {
      {200, {"登录失败: " + escaped}},
      {401, {"请求失败，状态码: 401", "错误信息: 登录失败: " + escaped}},
  };
  for (const Row& row : rows) {
    force_login_reply(row.status, message);
    test::PrintCapture printed;
    sign_in("alice", "secret");
    EXPECT_EQ(printed.lines(), row.lines) << row.status;
    ASSERT_FALSE(dialogs().empty());
    EXPECT_NE(dialogs().back().message.find("\n请求失败"), std::string::npos) << "the dialog shows the text as sent";
  }
}

TEST_F(LoginFlow, UnreachableServersAreNamed) {
  copy_fixed(app_config.server_address, "127.0.0.1:8080");
  expect_failure("无法连接到服务器，请检查服务器地址是否正确");

  copy_fixed(app_config.server_address, "http://127.0.0.1:1");
  expect_failure("无法连接到服务器: http://127.0.0.1:1");

  test::OfflineResolver offline;
  copy_fixed(app_config.server_address, "https://vdi.example.invalid:8443");
  expect_failure("无法解析服务器地址: https://vdi.example.invalid:8443");
}

TEST_F(LoginFlow, SuccessOpensTheDesktopAndSendsTheBody) {
  sign_in("alice", "secret");
  EXPECT_TRUE(dialogs().empty());
  ASSERT_NE(record(), nullptr);
  EXPECT_FALSE(gtk_widget_get_visible(login_));
  EXPECT_TRUE(gtk_widget_get_visible(record()->window));
  EXPECT_EQ(g_object_get_data(G_OBJECT(record()->window), keys::kMainWindowData), record());
  EXPECT_EQ(g_object_get_data(G_OBJECT(record()->window), keys::kLoginWindow), login_);

  // The first request is the user's; the status channel's MAC sign-in of the
  // first sign-in of a run may follow.
  const auto logins = service_->received().requests_to(test::paths::kLogin);
  ASSERT_FALSE(logins.empty());
  const auto* login = &logins.front();
  EXPECT_EQ(login->method, "POST");
  EXPECT_EQ(login->body, R"({"username":"alice","password":"secret"})");
  EXPECT_EQ(login->header("Content-Type"), "application/json");
  EXPECT_FALSE(login->has_header("Authorization"));
  const auto list = service_->received().last(test::paths::kVmList);
  ASSERT_TRUE(list) << "the first load";
  EXPECT_EQ(list->header("Authorization"), std::string("Bearer ") + test::kToken);
  EXPECT_FALSE(g_file_test(test::config_path().c_str(), G_FILE_TEST_EXISTS))
      << "without 自动登录 the file is not written";
}

TEST_F(LoginFlow, AutoLoginSavesTheCredentials) {
  const std::string long_name(70, 'u');
  service_->service().add_account(long_name, "密码 with space", "token-long");
  sign_in(long_name, "密码 with space", true);
  ASSERT_NE(record(), nullptr);
  EXPECT_NE(service_->received().requests_to(test::paths::kLogin).front().body.find(long_name), std::string::npos)
      << "the name is sent whole";
  ClientConfig saved{};
  ASSERT_TRUE(load_config_file(test::config_path().c_str(), saved));
  EXPECT_EQ(std::string(saved.username), long_name.substr(0, 63));
  EXPECT_EQ(saved.save_credentials, 1);
  EXPECT_STREQ(decrypt_password(saved.encrypted_password).get(), "密码 with space");
  EXPECT_STREQ(saved.encrypted_password, encrypt_password("密码 with space").get());
}

TEST_F(LoginFlow, MacModeSendsTheAddress) {
  app_config.maclogin = 1;
  service_->service().accept_mac_logins(true);
  build_login();
  test::capture_prints();
  gtk_button_clicked(GTK_BUTTON(test::find_button(login_, "登录")));
  test::wait_for_requests();
  test::captured_prints();
  const GCharPtr mac = get_mac_address();
  if (!mac) {
    ASSERT_EQ(dialogs().size(), 1u);
    EXPECT_EQ(dialogs()[0].message, "无法获取MAC地址，请检查网络连接或禁用MAC登录模式");
    EXPECT_EQ(service_->received().count(test::paths::kLogin), 0u);
    return;
  }
  const auto login = service_->received().last(test::paths::kLogin);
  ASSERT_TRUE(login);
  EXPECT_EQ(login->body, std::string(R"({"username":")") + mac.get() + R"(@mac","password":")" + mac.get() + "\"}");
  EXPECT_NE(record(), nullptr);
  EXPECT_FALSE(g_file_test(test::config_path().c_str(), G_FILE_TEST_EXISTS)) << "a MAC login saves nothing";
}

TEST_F(LoginFlow, SigningInAgainTearsDownTheFirstRecord) {
  service_->service().set_vms({test::vm("a", "running")});
  sign_in();
  MainWindowData* first = record();
  ASSERT_NE(first, nullptr);
  GtkWidget* first_window = first->window;
  const guint timer = GPOINTER_TO_UINT(g_object_get_data(G_OBJECT(first_window), keys::kRefreshTimerId));
  ASSERT_NE(timer, 0u);

  gtk_button_clicked(GTK_BUTTON(test::find_button(first_window, "注销")));
  EXPECT_FALSE(gtk_widget_get_visible(first_window));
  EXPECT_TRUE(gtk_widget_get_visible(login_));
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(named(login_, keys::kUsernameEntry))), "alice")
      << "the entries keep their texts";

  test::capture_prints();
  gtk_button_clicked(GTK_BUTTON(test::find_button(login_, "登录")));
  test::wait_for_requests();
  const std::string out = test::captured_prints();
  ASSERT_NE(record(), nullptr);
  EXPECT_NE(record(), first);
  EXPECT_NE(record()->window, first_window);
  EXPECT_NE(out.find("移除自动刷新定时器"), std::string::npos) << out;
  EXPECT_EQ(g_main_context_find_source_by_id(nullptr, timer), nullptr) << "the first timer is gone";
  EXPECT_FALSE(gtk_widget_get_visible(first_window)) << "the first window stays hidden";
}

}  // namespace
}  // namespace kesta

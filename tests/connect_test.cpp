#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/cipher.h"
#include "base/config.h"
#include "base/fixed_text.h"
#include "launch/viewer.h"
#include "support/client_fixture.h"
#include "support/print_capture.h"
#include "support/spin.h"
#include "support/temp_home.h"
#include "support/widget_find.h"
#include "ui/data_keys.h"

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
  EXPECT_STREQ(static_cast<const char*>(g_object_get_data(G_OBJECT(record()->window), keys::kVmId)), "vm-1");
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

}  // namespace
}  // namespace kesta

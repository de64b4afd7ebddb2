#include <gtest/gtest.h>

#include <string>

#include "base/cipher.h"
#include "base/config.h"
#include "host/host_identity.h"
#include "login/login_keys.h"
#include "login/login_window.h"
#include "support/temp_home.h"
#include "support/widget_find.h"
#include "ui/status_bar.h"

namespace kesta {
namespace {

using test::find_button;
using test::find_label;
using test::named;
using test::shown;

class LoginWindow : public testing::Test {
 protected:
  // Starts from a configuration file with this text (none when empty), as
  // the program does.
  GtkWidget* build(const std::string& file) {
    if (file.empty())
      test::remove_file(test::config_path());
    else
      test::write_file(test::config_path(), file);
    if (!load_config()) apply_config_defaults(app_config);
    window_ = build_login_window();
    return window_;
  }
  void TearDown() override {
    if (!window_) return;
    // Outside a running main loop there is nothing for "destroy" to quit.
    g_signal_handlers_disconnect_by_func(window_, reinterpret_cast<gpointer>(gtk_main_quit), nullptr);
    gtk_widget_destroy(window_);
    test::remove_file(test::config_path());
  }
  const char* entry_text(const char* key) { return gtk_entry_get_text(GTK_ENTRY(named(window_, key))); }
  bool save_ticked() { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(named(window_, keys::kSaveCheck))); }

  GtkWidget* window_ = nullptr;
};

TEST_F(LoginWindow, WithoutAFileEverythingIsEmptyAndPasswordLoginShows) {
  build("");
  EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window_)), "KESTA 客户端");
  EXPECT_STREQ(entry_text(keys::kUsernameEntry), "");
  EXPECT_STREQ(entry_text(keys::kPasswordEntry), "");
  EXPECT_FALSE(gtk_entry_get_visibility(GTK_ENTRY(named(window_, keys::kPasswordEntry))));
  EXPECT_TRUE(save_ticked());
  for (const char* key : {keys::kUsernameBox, keys::kPasswordBox, keys::kOptionsBox,
                          keys::kRegisterLinkBox, keys::kFormBox})
    EXPECT_TRUE(shown(named(window_, key))) << key;
  EXPECT_EQ(named(window_, keys::kMacInfoLabel), nullptr);
  for (const char* text : {"设置", "重启", "关机"}) {
    EXPECT_TRUE(shown(find_button(window_, text))) << text;
    EXPECT_TRUE(shown(find_label(window_, text))) << text;
  }
  EXPECT_TRUE(shown(find_label(window_, "欢迎使用云桌面!")));
  EXPECT_TRUE(shown(find_button(window_, "登录")));
  EXPECT_TRUE(shown(find_label(window_, "注册账号")));
  EXPECT_NE(gtk_window_get_icon(GTK_WINDOW(window_)), nullptr);
}

TEST_F(LoginWindow, ABrokenFileLooksLikeNoFile) {
  build("{ this is not json");
  EXPECT_STREQ(entry_text(keys::kUsernameEntry), "");
  EXPECT_TRUE(save_ticked());
  EXPECT_TRUE(shown(named(window_, keys::kUsernameBox)));
  EXPECT_TRUE(shown(find_button(window_, "设置")));
}

TEST_F(LoginWindow, SavedCredentialsArePreset) {
  const GCharPtr cipher = encrypt_password("s3cret pass");
  build(std::string(R"({"username": "alice", "save_credentials": true, "encrypted_password": ")") +
        cipher.get() + "\"}");
  EXPECT_STREQ(entry_text(keys::kUsernameEntry), "alice");
  EXPECT_STREQ(entry_text(keys::kPasswordEntry), "s3cret pass");
  EXPECT_TRUE(save_ticked());
}

TEST_F(LoginWindow, AStoredValueThatDoesNotDecryptIsShownAsStored) {
  build(R"({"username": "bob", "encrypted_password": "plainword"})");
  EXPECT_STREQ(entry_text(keys::kPasswordEntry), "plainword");
}

TEST_F(LoginWindow, WithoutSaveCredentialsTheEntriesStayEmpty) {
  const GCharPtr cipher = encrypt_password("pw");
  build(std::string(R"({"username": "alice", "save_credentials": false, "encrypted_password": ")") +
        cipher.get() + "\"}");
  EXPECT_STREQ(entry_text(keys::kUsernameEntry), "");
  EXPECT_STREQ(entry_text(keys::kPasswordEntry), "");
  EXPECT_FALSE(save_ticked());
}

TEST_F(LoginWindow, MacModeShowsOnlyTheNotice) {
  const GCharPtr cipher = encrypt_password("pw");
  build(std::string(R"({"maclogin": true, "username": "u", "encrypted_password": ")") + cipher.get() + "\"}");
  for (const char* key : {keys::kUsernameBox, keys::kPasswordBox, keys::kOptionsBox})
    EXPECT_FALSE(shown(named(window_, key))) << key;
  GtkWidget* notice = named(window_, keys::kMacInfoLabel);
  ASSERT_NE(notice, nullptr);
  EXPECT_TRUE(shown(notice));
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(notice)), "MAC地址自动登录模式已启用");
  EXPECT_EQ(gtk_widget_get_parent(notice), named(window_, keys::kFormBox));
  EXPECT_TRUE(shown(named(window_, keys::kRegisterLinkBox)));
  EXPECT_TRUE(shown(find_button(window_, "登录")));
  EXPECT_STREQ(entry_text(keys::kPasswordEntry), "pw") << "preset even when hidden";

  // Back and forth keeps one notice.
  set_login_mode(window_, false);
  EXPECT_FALSE(shown(notice));
  EXPECT_TRUE(shown(named(window_, keys::kUsernameBox)));
  set_login_mode(window_, true);
  EXPECT_EQ(named(window_, keys::kMacInfoLabel), notice);
  EXPECT_TRUE(shown(notice));
  GList* children = gtk_container_get_children(GTK_CONTAINER(named(window_, keys::kFormBox)));
  int notices = 0;
  for (GList* c = children; c; c = c->next) notices += GTK_IS_LABEL(c->data);
  g_list_free(children);
  EXPECT_EQ(notices, 1);
}

TEST_F(LoginWindow, HiddenSettingsLeaveRestartAndShutdown) {
  build(R"({"setting": true})");
  EXPECT_FALSE(shown(find_button(window_, "设置")));
  EXPECT_FALSE(shown(find_label(window_, "设置")));
  for (const char* text : {"重启", "关机"}) {
    EXPECT_TRUE(shown(find_button(window_, text))) << text;
    EXPECT_TRUE(shown(find_label(window_, text))) << text;
  }
}

TEST_F(LoginWindow, BottomBarShowsHostAddressVersionAndClock) {
  build("");
  const std::string host = std::string("客户端名称：") + get_host_name().get();
  const std::string address = std::string("本地地址：") + get_local_ip().get();
  for (const std::string& text : {host, address, std::string("青柚KESTA 版本：0.0.1")})
    EXPECT_TRUE(shown(find_label(window_, text))) << text;
  GtkWidget* clock = test::find_widget(window_, [](GtkWidget* w) {
    return GTK_IS_LABEL(w) &&
           g_regex_match_simple(R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}$)", gtk_label_get_text(GTK_LABEL(w)),
                                static_cast<GRegexCompileFlags>(0), static_cast<GRegexMatchFlags>(0));
  });
  EXPECT_NE(clock, nullptr) << "the clock shows from the first frame on";

  // The address timer's callback rewrites its label from the system.
  GtkWidget* address_label = find_label(window_, address);
  gtk_label_set_text(GTK_LABEL(address_label), "stale");
  EXPECT_TRUE(refresh_address_label(address_label));
  EXPECT_EQ(gtk_label_get_text(GTK_LABEL(address_label)), address);
}

}  // namespace
}  // namespace kesta

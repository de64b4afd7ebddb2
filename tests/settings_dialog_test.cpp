#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "base/config.h"
#include "login/login_keys.h"
#include "login/settings_dialog.h"
#include "support/dialog_recorder.h"
#include "support/login_screen_support.h"
#include "support/temp_home.h"
#include "support/widget_find.h"

namespace kesta {
namespace {

using test::find_button;
using test::find_label;
using test::find_widget;
using test::named;
using test::shown;

// What the user changes in the dialog before answering it.
struct Edit {
  std::optional<std::string> address = std::nullopt;
  std::optional<std::string> protocol_id = std::nullopt;
  std::optional<bool> mac = std::nullopt;
  std::optional<bool> hide_settings = std::nullopt;
  std::optional<bool> logout = std::nullopt;
};

GtkWidget* address_entry(GtkDialog* dialog) {
  return find_widget(GTK_WIDGET(dialog), [](GtkWidget* w) { return GTK_IS_ENTRY(w); });
}
GtkComboBox* protocol_combo(GtkDialog* dialog) {
  return GTK_COMBO_BOX(find_widget(GTK_WIDGET(dialog), [](GtkWidget* w) { return GTK_IS_COMBO_BOX(w); }));
}
GtkToggleButton* check(GtkDialog* dialog, const char* text) {
  return GTK_TOGGLE_BUTTON(find_button(GTK_WIDGET(dialog), text));
}
constexpr char kMacCheck[] = "使用MAC地址自动登录(无需输入用户名密码)";
constexpr char kHideCheck[] = "隐藏设置按钮(重启后生效)";
constexpr char kLogoutCheck[] = "会话结束后注销";

// What the file holds now, read the way the next start reads it.
std::optional<ClientConfig> saved_config() {
  ClientConfig saved;
  if (!load_config_file(test::config_path().c_str(), saved)) return std::nullopt;
  return saved;
}

class SettingsDialog : public testing::Test {
 protected:
  void open(const std::string& config_text) { screen_ = std::make_unique<test::LoginScreen>(config_text); }
  GtkWidget* window() { return screen_->window(); }

  // Opens the dialog with the settings icon, applies the edit and answers
  // with response.
  void run(const Edit& edit, int response) {
    test::DialogRecorder recorder;
    recorder.inspect_with([&](GtkDialog* dialog) {
      if (edit.address) gtk_entry_set_text(GTK_ENTRY(address_entry(dialog)), edit.address->c_str());
      if (edit.protocol_id) gtk_combo_box_set_active_id(protocol_combo(dialog), edit.protocol_id->c_str());
      if (edit.mac) gtk_toggle_button_set_active(check(dialog, kMacCheck), *edit.mac);
      if (edit.hide_settings) gtk_toggle_button_set_active(check(dialog, kHideCheck), *edit.hide_settings);
      if (edit.logout) gtk_toggle_button_set_active(check(dialog, kLogoutCheck), *edit.logout);
    });
    recorder.queue_response(response);
    gtk_button_clicked(GTK_BUTTON(find_button(window(), "设置")));
    ASSERT_EQ(recorder.dialogs().size(), 1u);
    EXPECT_EQ(recorder.dialogs()[0].title, "设置");
  }
  void save(const Edit& edit) { run(edit, GTK_RESPONSE_ACCEPT); }

  // Password mode: entries shown, no notice or a hidden one.  MAC mode: the
  // reverse.
  void expect_mode(bool mac) {
    for (const char* key : {keys::kUsernameBox, keys::kPasswordBox, keys::kOptionsBox})
      EXPECT_EQ(shown(named(window(), key)), !mac) << key;
    GtkWidget* notice = named(window(), keys::kMacInfoLabel);
    if (mac) {
      ASSERT_NE(notice, nullptr);
      EXPECT_TRUE(shown(notice));
      EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(notice)), "MAC地址自动登录模式已启用");
    } else if (notice) {
      EXPECT_FALSE(gtk_widget_get_visible(notice));
    }
  }
  int notices_in_form() {
    GList* children = gtk_container_get_children(GTK_CONTAINER(named(window(), keys::kFormBox)));
    int count = 0;
    for (GList* c = children; c; c = c->next)
      count += GTK_IS_LABEL(c->data) &&
               std::strcmp(gtk_label_get_text(GTK_LABEL(c->data)), "MAC地址自动登录模式已启用") == 0;
    g_list_free(children);
    return count;
  }

  std::unique_ptr<test::LoginScreen> screen_;
};

TEST_F(SettingsDialog, ShowsTheSettingsInForce) {
  open(R"({"server_address": "https://vdi.example:8443", "protocol": "blast", "maclogin": true,
           "setting": false})");
  test::DialogRecorder recorder;
  recorder.inspect_with([&](GtkDialog* dialog) {
    GtkWidget* d = GTK_WIDGET(dialog);
    EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), GTK_WINDOW(window()));
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
    EXPECT_NE(find_label(d, "服务器地址:"), nullptr);
    EXPECT_NE(find_label(d, "默认协议:"), nullptr);
    EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(address_entry(dialog))), "https://vdi.example:8443");
    EXPECT_STREQ(gtk_combo_box_get_active_id(protocol_combo(dialog)), "blast");
    EXPECT_TRUE(gtk_toggle_button_get_active(check(dialog, kMacCheck)));
    EXPECT_FALSE(gtk_toggle_button_get_active(check(dialog, kHideCheck)));
    EXPECT_EQ(gtk_dialog_get_widget_for_response(dialog, GTK_RESPONSE_CANCEL), find_button(d, "取消"));
    EXPECT_EQ(gtk_dialog_get_widget_for_response(dialog, GTK_RESPONSE_ACCEPT), find_button(d, "保存"));

    // The rows, in order: what the field stores and what the user reads.
    GtkTreeModel* rows = gtk_combo_box_get_model(protocol_combo(dialog));
    std::vector<std::string> shown_rows;
    GtkTreeIter row;
    for (gboolean more = gtk_tree_model_get_iter_first(rows, &row); more; more = gtk_tree_model_iter_next(rows, &row)) {
      gtk_combo_box_set_active_iter(protocol_combo(dialog), &row);
      GCharPtr text(gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(protocol_combo(dialog))));
      shown_rows.push_back(std::string(gtk_combo_box_get_active_id(protocol_combo(dialog))) + "=" + text.get());
    }
    EXPECT_EQ(shown_rows, (std::vector<std::string>{"spice=SPICE", "freerdp=RDP", "blast=BLAST"}));
  });
  recorder.queue_response(GTK_RESPONSE_CANCEL);
  gtk_button_clicked(GTK_BUTTON(find_button(window(), "设置")));
  EXPECT_EQ(recorder.dialogs().size(), 1u);
}

TEST_F(SettingsDialog, SavingWritesEveryFieldToMemoryAndFile) {
  open(R"({"server_address": "http://old:1", "protocol": "spice", "username": "alice",
           "encrypted_password": "00ff", "save_credentials": true})");
  save({.address = "http://new.example:8080", .protocol_id = "freerdp", .hide_settings = true});
  EXPECT_STREQ(app_config.server_address, "http://new.example:8080");
  EXPECT_STREQ(app_config.protocol, "freerdp");
  EXPECT_EQ(app_config.setting, 1);
  const auto saved = saved_config();
  ASSERT_TRUE(saved);
  EXPECT_STREQ(saved->server_address, "http://new.example:8080");
  EXPECT_STREQ(saved->protocol, "freerdp");
  EXPECT_EQ(saved->setting, 1);
  EXPECT_EQ(saved->maclogin, 0);
  // Not shown, but written along with the rest.
  EXPECT_STREQ(saved->username, "alice");
  EXPECT_STREQ(saved->encrypted_password, "00ff");
}

TEST_F(SettingsDialog, SignOutAtSessionEndIsShownAndSaved) {
  for (const bool on : {true, false}) {
    open(on ? R"({"protocol": "spice"})" : R"({"protocol": "spice", "logout_on_session_end": true})");
    {
      test::DialogRecorder recorder;
      recorder.inspect_with([&](GtkDialog* dialog) {
        ASSERT_NE(find_button(GTK_WIDGET(dialog), kLogoutCheck), nullptr);
        EXPECT_EQ(gtk_toggle_button_get_active(check(dialog, kLogoutCheck)), !on) << "the setting in force";
      });
      recorder.queue_response(GTK_RESPONSE_CANCEL);
      gtk_button_clicked(GTK_BUTTON(find_button(window(), "设置")));
      ASSERT_EQ(recorder.dialogs().size(), 1u);
    }
    save({.logout = on});
    EXPECT_EQ(app_config.logout_on_session_end, on ? 1 : 0);
    const auto saved = saved_config();
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->logout_on_session_end, on ? 1 : 0);
  }
}

TEST_F(SettingsDialog, EverySaveWritesTheFileEvenWithoutChanges) {
  open(R"({"server_address": "http://kept:1", "protocol": "blast"})");
  test::remove_file(test::config_path());
  save({});
  const auto saved = saved_config();
  ASSERT_TRUE(saved) << "no file written";
  EXPECT_STREQ(saved->server_address, "http://kept:1");
  EXPECT_STREQ(saved->protocol, "blast");
}

TEST_F(SettingsDialog, AnEmptyProtocolShowsSpiceAndSavesIt) {
  open(R"({"protocol": ""})");
  test::DialogRecorder recorder;
  std::string active;
  recorder.inspect_with([&](GtkDialog* dialog) {
    if (const char* id = gtk_combo_box_get_active_id(protocol_combo(dialog))) active = id;
  });
  recorder.queue_response(GTK_RESPONSE_ACCEPT);
  gtk_button_clicked(GTK_BUTTON(find_button(window(), "设置")));
  EXPECT_EQ(active, "spice");
  EXPECT_STREQ(app_config.protocol, "spice");
  EXPECT_STREQ(saved_config()->protocol, "spice");
}

TEST_F(SettingsDialog, AnUnknownProtocolShowsNoRowAndIsKept) {
  open(R"({"protocol": "vnc-by-hand"})");
  test::DialogRecorder recorder;
  int active = 0;
  recorder.inspect_with([&](GtkDialog* dialog) { active = gtk_combo_box_get_active(protocol_combo(dialog)); });
  recorder.queue_response(GTK_RESPONSE_ACCEPT);
  gtk_button_clicked(GTK_BUTTON(find_button(window(), "设置")));
  EXPECT_EQ(active, -1);
  EXPECT_STREQ(app_config.protocol, "vnc-by-hand");
  EXPECT_STREQ(saved_config()->protocol, "vnc-by-hand");
}

TEST_F(SettingsDialog, TheAddressIsStoredAsTypedWithinTheField) {
  open("");
  save({.address = "  not an address  "});
  EXPECT_STREQ(app_config.server_address, "  not an address  ");
  save({.address = ""});
  EXPECT_STREQ(app_config.server_address, "");

  const std::string long_ascii(300, 'a');
  save({.address = long_ascii});
  EXPECT_EQ(std::string(app_config.server_address), long_ascii.substr(0, 255));
  EXPECT_EQ(std::string(saved_config()->server_address), long_ascii.substr(0, 255));

  // 254 bytes and then a character of three: the field keeps whole
  // characters only, so the file stays readable at the next start.
  const std::string prefix(254, 'b');
  save({.address = prefix + "中文"});
  EXPECT_EQ(std::string(app_config.server_address), prefix);
  const auto saved = saved_config();
  ASSERT_TRUE(saved) << "the saved file no longer loads";
  EXPECT_EQ(std::string(saved->server_address), prefix);
}

TEST_F(SettingsDialog, MacLoginSwitchesTheLoginWindowAtOnceWithOneNotice) {
  open("");
  expect_mode(false);
  EXPECT_EQ(named(window(), keys::kMacInfoLabel), nullptr);

  save({.mac = true});
  EXPECT_EQ(app_config.maclogin, 1);
  EXPECT_EQ(saved_config()->maclogin, 1);
  expect_mode(true);
  GtkWidget* notice = named(window(), keys::kMacInfoLabel);
  EXPECT_EQ(gtk_widget_get_parent(notice), named(window(), keys::kFormBox));

  save({.mac = false});
  EXPECT_EQ(app_config.maclogin, 0);
  expect_mode(false);

  save({.mac = true});
  expect_mode(true);
  EXPECT_EQ(named(window(), keys::kMacInfoLabel), notice) << "the notice was made again";
  EXPECT_EQ(notices_in_form(), 1);
}

TEST_F(SettingsDialog, SavingWithoutAModeChangeLeavesTheLoginWindowAlone) {
  open("");
  save({.address = "http://other:1"});
  expect_mode(false);
  EXPECT_EQ(named(window(), keys::kMacInfoLabel), nullptr);

  // A window started in MAC mode stays so.
  screen_.reset();
  open(R"({"maclogin": true})");
  GtkWidget* notice = named(window(), keys::kMacInfoLabel);
  save({.address = "http://other:2"});
  expect_mode(true);
  EXPECT_EQ(named(window(), keys::kMacInfoLabel), notice);
  EXPECT_EQ(notices_in_form(), 1);
}

TEST_F(SettingsDialog, CancelOrClosingChangesNothing) {
  const std::string file =
      R"({"server_address": "http://before:1", "protocol": "freerdp", "maclogin": false, "setting": false})";
  for (const int answer : {GTK_RESPONSE_CANCEL, GTK_RESPONSE_DELETE_EVENT}) {
    SCOPED_TRACE(answer);
    open(file);
    const ClientConfig before = app_config;
    run({.address = "http://after:2", .protocol_id = "blast", .mac = true, .hide_settings = true}, answer);
    EXPECT_EQ(std::memcmp(&before, &app_config, sizeof before), 0);
    EXPECT_EQ(test::read_file(test::config_path()), file);
    expect_mode(false);
    EXPECT_EQ(named(window(), keys::kMacInfoLabel), nullptr);
    EXPECT_TRUE(shown(find_button(window(), "设置")));
    screen_.reset();
  }
}

TEST_F(SettingsDialog, HidingTheSettingsButtonWaitsForTheNextStart) {
  open("");
  save({.hide_settings = true});
  EXPECT_EQ(app_config.setting, 1);
  EXPECT_TRUE(shown(find_button(window(), "设置")));
  EXPECT_TRUE(shown(find_label(window(), "设置")));

  // The next start reads the saved file.
  const std::string file = test::read_file(test::config_path());
  screen_.reset();
  open(file);
  EXPECT_FALSE(shown(find_button(window(), "设置")));
  EXPECT_FALSE(shown(find_label(window(), "设置")));
}

TEST_F(SettingsDialog, TheLabelOpensTheDialogOnALeftClickOnly) {
  open("");
  GtkWidget* label_area = gtk_widget_get_parent(find_label(window(), "设置"));
  test::DialogRecorder recorder;
  recorder.queue_response(GTK_RESPONSE_CANCEL);
  test::click(label_area, GDK_BUTTON_SECONDARY);
  test::click(label_area, GDK_BUTTON_MIDDLE);
  EXPECT_TRUE(recorder.dialogs().empty());
  test::click(label_area, GDK_BUTTON_PRIMARY);
  ASSERT_EQ(recorder.dialogs().size(), 1u);
  EXPECT_EQ(recorder.dialogs()[0].title, "设置");

  EXPECT_FALSE(on_settings_label_pressed(label_area, nullptr, window()));
}

}  // namespace
}  // namespace kesta

#include "login/login_flow.h"

#include <optional>
#include <string>

#include "api/login_request.h"
#include "base/cipher.h"
#include "base/config.h"
#include "base/fixed_text.h"
#include "base/i18n.h"
#include "desktop/desktop_keys.h"
#include "desktop/desktop_window.h"
#include "host/host_identity.h"
#include "host/status_channel.h"
#include "login/login_keys.h"
#include "login/login_window.h"
#include "ui/busy.h"
#include "ui/dialog.h"

namespace kesta {

namespace {

struct Credentials {
  std::string username;
  std::string password;
  bool remember = false;
};

void fail(GtkWidget* login_window, const char* message) {
  show_message_dialog(GTK_WINDOW(login_window), _("登录失败"), message);
}

void remember_credentials(const Credentials& credentials) {
  copy_fixed(app_config.username, credentials.username);
  copy_fixed(app_config.encrypted_password, encrypt_password(credentials.password.c_str()).get());
  app_config.save_credentials = 1;
  save_config();
}

void open_desktop(GtkWidget* login_window, const std::string& token, const Credentials& credentials,
                  bool mac_mode) {
  std::unique_ptr<MainWindowData> data = create_desktop_window(token.c_str(), login_window);
  // The viewers of this sign-in get its own name and password, never what
  // another user of the terminal once saved.
  data->mac_sign_in = mac_mode;
  if (!mac_mode) {
    data->username = credentials.username;
    data->password = credentials.password;
  }
  GtkWidget* desktop = data->window;
  gtk_widget_hide(login_window);
  // Replacing the record of an earlier sign-in tears that one down.
  MainWindowData* record = data.release();
  g_object_set_data_full(G_OBJECT(login_window), keys::kMainWindow, record, destroy_main_window_data);
  g_object_set_data(G_OBJECT(desktop), keys::kMainWindowData, record);
}

void finish_login(GtkWidget* login_window, const Credentials& credentials, bool mac_mode,
                  const ReplyOutcome<AccessToken>& result) {
  switch (result.kind) {
    case ReplyKind::Ok:
      if (!result.record) {
        g_print("响应中没有accessToken字段\n");
        fail(login_window, _("未能获取访问令牌"));
        return;
      }
      if (!mac_mode && credentials.remember) remember_credentials(credentials);
      open_desktop(login_window, *result.record, credentials, mac_mode);
      status_channel_start_once();
      return;
    case ReplyKind::Refused:
    case ReplyKind::Failed:
      fail(login_window, result.message.c_str());
      return;
    case ReplyKind::Unreadable:
      fail(login_window, _("服务器响应解析错误"));
      return;
    case ReplyKind::BadAddress:
      fail(login_window, _("无法连接到服务器，请检查服务器地址是否正确"));
      return;
  }
}

}  // namespace

void on_login_clicked(GtkButton*, gpointer user_data) noexcept {
  const auto& form = *static_cast<const LoginForm*>(user_data);
  GtkWidget* login_window = form.window;
  GObject* w = G_OBJECT(login_window);
  // One sign-in at a time: its hold keeps a second press out.
  if (g_object_get_data(w, keys::kLoginAttempt)) return;
  const bool mac_mode = app_config.maclogin != 0;

  Credentials credentials;
  if (mac_mode) {
    GCharPtr mac = get_mac_address();
    if (!mac) {
      fail(login_window, _("无法获取MAC地址，请检查网络连接或禁用MAC登录模式"));
      return;
    }
    credentials.username = mac_login_name(mac.get());
    credentials.password = mac.get();
    g_print("使用MAC登录: %s\n", credentials.username.c_str());
  } else {
    credentials.username = gtk_entry_get_text(GTK_ENTRY(form.username_entry));
    credentials.password = gtk_entry_get_text(GTK_ENTRY(form.password_entry));
    credentials.remember = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(form.save_check));
  }
  if (credentials.username.empty() || credentials.password.empty()) {
    fail(login_window, _("请输入用户名和密码"));
    return;
  }

  HeldRequest* attempt = hold_for_request(login_window, keys::kLoginAttempt, _("正在登录…"));
  attempt->request =
      request_login_async(app_config.server_address, credentials.username.c_str(), credentials.password.c_str(),
                          [login_window, credentials, mac_mode](ReplyOutcome<AccessToken> result) {
                            drop_held_request(login_window, keys::kLoginAttempt);
                            finish_login(login_window, credentials, mac_mode, result);
                          });
}

}  // namespace kesta

#include "login/register_dialog.h"

#include <optional>
#include <string>

#include "api/domain_list.h"
#include "api/registration.h"
#include "base/config.h"
#include "base/fixed_text.h"
#include "base/i18n.h"
#include "base/ptr.h"
#include "host/host_identity.h"
#include "login/label_press.h"
#include "login/login_keys.h"
#include "ui/busy.h"
#include "ui/dialog.h"
#include "ui/widget_style.h"

namespace kesta {

namespace {

constexpr char kDomainComboCss[] =
    "combobox button { min-height: 30px; }combobox button arrow { min-width: 15px; min-height: 15px; }combobox "
    "button box { padding: 0 8px; }";
// Counted in characters, as the message says, not in bytes.
constexpr glong kMinPasswordLength = 8;
constexpr char kMacDomain[] = "mac";
constexpr char kFallbackDomain[] = "default";
// "注册" answers GTK_RESPONSE_ACCEPT, which never ends the run by itself; a
// successful registration closes the dialog with this one.
constexpr int kRegisteredResponse = GTK_RESPONSE_OK;

// The dialog's own widgets, kept in show_register_dialog's frame while the
// dialog runs.  The MAC form asks for the name only: the MAC address is
// account and password, so it has no account, password or verification
// entry.
struct RegisterForm {
  GtkWidget* dialog;
  // As it was when the dialog was built.
  bool mac_mode;
  GtkWidget* nickname_entry = nullptr;
  GtkWidget* domain_combo = nullptr;
  GtkWidget* username_entry = nullptr;
  GtkWidget* password_entry = nullptr;
  GtkWidget* verification_entry = nullptr;
};

struct Submission {
  std::string username;
  std::string password;
  std::string nickname;
  std::string domain;
};

GtkWidget* field_entry(const char* placeholder) {
  GtkWidget* entry = gtk_entry_new();
  gtk_entry_set_placeholder_text(GTK_ENTRY(entry), placeholder);
  gtk_widget_set_hexpand(entry, TRUE);
  set_text_colour(entry, kBlack);
  set_background_colour(entry, kWhite);
  return entry;
}

void attach_row(GtkWidget* grid, int row, const char* label_text, GtkWidget* field) {
  GtkWidget* label = gtk_label_new(label_text);
  gtk_widget_set_halign(label, GTK_ALIGN_START);
  set_text_colour(label, kBlack);
  // A screen reader names the field by its label.
  gtk_label_set_mnemonic_widget(GTK_LABEL(label), field);
  gtk_grid_attach(GTK_GRID(grid), label, 0, row, 1, 1);
  gtk_grid_attach(GTK_GRID(grid), field, 1, row, 1, 1);
}

// The service's domains, or the one row "default" when it offers none.
void fill_domains(GtkWidget* combo, const std::vector<std::string>& domains) {
  for (const std::string& name : domains) {
    g_print("DEBUG: 添加域名到下拉菜单: %s\n", readable_text(name, kMaxDomainBytes).c_str());
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), name.c_str());
  }
  if (domains.empty()) {
    g_print("DEBUG: 无法获取域名列表，添加默认选项\n");
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), kFallbackDomain);
  } else {
    g_print("DEBUG: 设置默认选中域名在索引0\n");
  }
  gtk_combo_box_set_active(GTK_COMBO_BOX(combo), 0);
}

// The grid of the form, its widgets kept in form and named on the dialog.
GtkWidget* build_grid(RegisterForm& form) {
  GObject* d = G_OBJECT(form.dialog);
  GtkWidget* grid = gtk_grid_new();
  gtk_grid_set_row_spacing(GTK_GRID(grid), 10);
  gtk_grid_set_column_spacing(GTK_GRID(grid), 10);
  g_object_set_data(d, keys::kIsMacMode, GINT_TO_POINTER(form.mac_mode ? 1 : 0));

  GtkWidget* nickname = field_entry(_("请输入您的姓名"));
  attach_row(grid, 0, _("姓名："), nickname);
  g_object_set_data(d, keys::kNicknameEntry, nickname);
  form.nickname_entry = nickname;

  GtkWidget* domain = gtk_combo_box_text_new();
  gtk_widget_set_hexpand(domain, TRUE);
  // A long domain name is cut rather than widening the dialog past the
  // screen.
  GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(domain));
  for (GList* c = cells; c; c = c->next) g_object_set(c->data, "ellipsize", PANGO_ELLIPSIZE_END, nullptr);
  g_list_free(cells);
  set_text_colour(domain, kBlack);
  set_background_colour(domain, kWhite);
  g_object_set_data(d, keys::kDomainCombo, domain);
  form.domain_combo = domain;

  if (form.mac_mode) {
    gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(domain), kMacDomain);
    gtk_combo_box_set_active(GTK_COMBO_BOX(domain), 0);
    gtk_widget_set_sensitive(domain, FALSE);
    attach_row(grid, 1, _("域："), domain);
    return grid;
  }

  GtkWidget* username = field_entry(_("请输入账号"));
  attach_row(grid, 1, _("账号："), username);
  g_object_set_data(d, keys::kUsernameEntry, username);
  form.username_entry = username;
  GtkWidget* password = field_entry(_("请输入密码（至少8位）"));
  gtk_entry_set_visibility(GTK_ENTRY(password), FALSE);
  attach_row(grid, 2, _("密码："), password);
  g_object_set_data(d, keys::kPasswordEntry, password);
  form.password_entry = password;

  attach_row(grid, 3, _("域："), domain);
  gtk_widget_set_size_request(domain, -1, 30);
  gtk_combo_box_set_popup_fixed_width(GTK_COMBO_BOX(domain), TRUE);
  add_widget_css(domain, kDomainComboCss);

  GtkWidget* verification = field_entry(_("请输入验证码"));
  attach_row(grid, 4, _("验证码："), verification);
  g_object_set_data(d, keys::kVerificationEntry, verification);
  form.verification_entry = verification;
  return grid;
}

void keep_open_on_register(GtkDialog* dialog, int response, gpointer) noexcept {
  if (response == GTK_RESPONSE_ACCEPT) g_signal_stop_emission_by_name(dialog, "response");
}

void refuse(GtkWidget* dialog, const char* message) { show_message_dialog(GTK_WINDOW(dialog), _("注册失败"), message); }

const char* entry_text(GtkWidget* entry) { return gtk_entry_get_text(GTK_ENTRY(entry)); }

// What the form asks to send, or nothing once the user has been told what is
// missing.  Texts count as typed, blanks included.
std::optional<Submission> read_form(const RegisterForm& form) {
  const std::string nickname = entry_text(form.nickname_entry);
  if (form.mac_mode) {
    const GCharPtr mac = get_mac_address();
    if (!mac) {
      refuse(form.dialog, _("无法获取MAC地址，请检查网络连接"));
      return std::nullopt;
    }
    return Submission{mac.get(), mac.get(), nickname, kMacDomain};
  }

  const char* username = entry_text(form.username_entry);
  const char* password = entry_text(form.password_entry);
  const GCharPtr domain(gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(form.domain_combo)));
  const char* missing = nullptr;
  if (nickname.empty())
    missing = _("请输入姓名");
  else if (!*username)
    missing = _("请输入账号");
  else if (g_utf8_strlen(password, -1) < kMinPasswordLength)
    missing = _("密码长度必须大于或等于8个字符");
  else if (!domain || !*domain)
    missing = _("请选择域");
  else if (!*entry_text(form.verification_entry))
    missing = _("请输入验证码");
  if (missing) {
    refuse(form.dialog, missing);
    return std::nullopt;
  }
  return Submission{username, password, nickname, domain.get()};
}

// "clicked" handler of "注册": checks the form and sends it; only a success
// closes the dialog.
void on_register_clicked(GtkButton*, gpointer form_data) noexcept {
  const auto& form = *static_cast<const RegisterForm*>(form_data);
  GtkWidget* dialog = form.dialog;
  if (g_object_get_data(G_OBJECT(dialog), keys::kRegistration)) return;
  const std::optional<Submission> submission = read_form(form);
  if (!submission) return;
  HeldRequest* registration = hold_for_request(dialog, keys::kRegistration, _("正在注册…"));
  registration->request = register_account_async(
      app_config.server_address, submission->username.c_str(), submission->password.c_str(),
      submission->nickname.c_str(), submission->domain.c_str(), [dialog](ReplyOutcome<> result) {
        drop_held_request(dialog, keys::kRegistration);
        if (!result.ok()) {
          // The form stays as it is, for another attempt.
          refuse(dialog, result.message.c_str());
          return;
        }
        show_message_dialog(GTK_WINDOW(dialog), _("注册成功"), _("账号注册成功，等待管理员审核"));
        gtk_dialog_response(GTK_DIALOG(dialog), kRegisteredResponse);
      });
}

}  // namespace

void show_register_dialog(GtkWidget* parent) {
  const ModalDialog frame = build_modal_dialog(_("注册账号"), parent ? GTK_WINDOW(parent) : nullptr, 400, -1,
                                               {{_("取消"), GTK_RESPONSE_CANCEL}, {_("注册"), GTK_RESPONSE_ACCEPT}});
  GtkWidget* dialog = frame.dialog.get();
  // The domains and the busy indicator arrive after the dialog is shown; it
  // stays centred as it grows.
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER_ALWAYS);

  GtkWidget* box = frame.box;
  GtkWidget* heading = gtk_label_new(nullptr);
  gtk_label_set_markup(GTK_LABEL(heading), "<span weight='bold' size='larger'>用户注册</span>");
  gtk_widget_set_halign(heading, GTK_ALIGN_START);
  set_text_colour(heading, kBlack);
  pack_start(box, heading);
  // The form stays as built even if the MAC-login flag changes meanwhile.
  RegisterForm form{dialog, app_config.maclogin != 0};
  pack_start(box, build_grid(form), false, 10);
  pack_start(box, build_busy_indicator(dialog, kBlack));

  GtkWidget* register_button = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  set_text_colour(register_button, kBlack);
  g_signal_connect(register_button, "clicked", G_CALLBACK(on_register_clicked), &form);
  set_text_colour(gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL), kBlack);
  g_signal_connect(dialog, "response", G_CALLBACK(keep_open_on_register), nullptr);

  gtk_widget_show_all(dialog);
  // The form waits for the service's domains; closing the dialog meanwhile
  // cancels the request.
  HeldRequest domains;
  if (!form.mac_mode) {
    domains.hold(dialog, _("正在加载域名…"));
    g_print("DEBUG: 尝试获取域名列表，服务器地址: %s\n", app_config.server_address);
    GtkWidget* combo = form.domain_combo;
    domains.request =
        fetch_domain_list_async(app_config.server_address, [&domains, combo](ReplyOutcome<DomainList> reply) {
          domains.release();
          fill_domains(combo, reply.record);
        });
  }
  gtk_dialog_run(GTK_DIALOG(dialog));
  domains.release();
}

gboolean on_register_link_pressed(GtkWidget*, GdkEventButton* event, gpointer login_window) noexcept {
  if (!is_primary_press(event)) return FALSE;
  show_register_dialog(static_cast<GtkWidget*>(login_window));
  return TRUE;
}

gboolean on_register_link_activated(GtkLabel*, const char*, gpointer) noexcept { return TRUE; }

}  // namespace kesta

#include "login/settings_dialog.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "api/certificate_trust.h"
#include "base/config.h"
#include "base/fixed_text.h"
#include "base/i18n.h"
#include "login/label_press.h"
#include "login/login_window.h"
#include "ui/dialog.h"
#include "ui/widget_style.h"

namespace kesta {

namespace {

struct ProtocolRow {
  const char* id;
  const char* text;
};

// The id is what app_config.protocol stores.
constexpr ProtocolRow kProtocolRows[] = {{"spice", "SPICE"}, {"freerdp", "RDP"}, {"blast", "BLAST"}};
constexpr char kDefaultProtocol[] = "spice";

struct SettingsForm {
  GtkWidget* server_entry;
  // The pin of the address in the entry, and the button that forgets it.
  GtkWidget* certificate_label;
  GtkWidget* forget_button;
  // The pins "忘记证书" was pressed for: forgotten on "保存".
  std::vector<std::string> forgotten;
  GtkWidget* protocol_combo;
  GtkWidget* mac_check;
  GtkWidget* hide_settings_check;
  GtkWidget* logout_check;
};

GtkWidget* field_label(const char* text) {
  GtkWidget* label = gtk_label_new(text);
  set_text_colour(label, kBlack);
  set_background_colour(label, kWhite);
  gtk_widget_set_halign(label, GTK_ALIGN_START);
  return label;
}

GtkWidget* check_button(const char* text, bool active) {
  GtkWidget* check = gtk_check_button_new_with_label(text);
  set_text_colour(gtk_bin_get_child(GTK_BIN(check)), kBlack);
  set_background_colour(check, kWhite);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check), active);
  return check;
}

bool is_forgotten(const SettingsForm& form, const std::string& host_port) {
  return std::find(form.forgotten.begin(), form.forgotten.end(), host_port) != form.forgotten.end();
}

// The pin of the address as typed so far.
void show_pin(SettingsForm& form) {
  const std::optional<std::string> key = pin_key(gtk_entry_get_text(GTK_ENTRY(form.server_entry)));
  const char* pinned = key ? find_trusted_certificate(app_config, *key) : nullptr;
  const bool forgotten = pinned && is_forgotten(form, *key);
  const char* text = !key        ? _("无（不是HTTPS地址）")
                     : forgotten ? _("保存后忘记，下次连接时重新信任")
                     : pinned    ? pinned
                                 : _("未保存证书指纹");
  gtk_label_set_text(GTK_LABEL(form.certificate_label), text);
  gtk_widget_set_sensitive(form.forget_button, pinned && !forgotten);
}

void on_address_changed(GtkEditable*, gpointer form) noexcept { show_pin(*static_cast<SettingsForm*>(form)); }

void on_forget_clicked(GtkButton*, gpointer data) noexcept {
  auto& form = *static_cast<SettingsForm*>(data);
  if (std::optional<std::string> key = pin_key(gtk_entry_get_text(GTK_ENTRY(form.server_entry))))
    form.forgotten.push_back(std::move(*key));
  show_pin(form);
}

// Under the address: its pinned fingerprint, and "忘记证书", with which an
// administrator accepts a service's new certificate.
void build_certificate_row(GtkWidget* box, SettingsForm& form) {
  pack_start(box, field_label(_("服务器证书:")), false, 5);
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 10);
  set_background_colour(row, kWhite);
  form.certificate_label = field_label("");
  // A fingerprint has no spaces to break at.
  gtk_label_set_line_wrap(GTK_LABEL(form.certificate_label), TRUE);
  gtk_label_set_line_wrap_mode(GTK_LABEL(form.certificate_label), PANGO_WRAP_WORD_CHAR);
  gtk_label_set_max_width_chars(GTK_LABEL(form.certificate_label), 30);
  gtk_label_set_xalign(GTK_LABEL(form.certificate_label), 0);
  gtk_box_pack_start(GTK_BOX(row), form.certificate_label, TRUE, TRUE, 0);
  form.forget_button = gtk_button_new_with_label(_("忘记证书"));
  gtk_widget_set_valign(form.forget_button, GTK_ALIGN_CENTER);
  gtk_box_pack_start(GTK_BOX(row), form.forget_button, FALSE, FALSE, 0);
  pack_start(box, row);
}

// The form's handlers are given the form, which outlives the dialog's run.
void connect_form(SettingsForm& form) {
  g_signal_connect(form.server_entry, "changed", G_CALLBACK(on_address_changed), &form);
  g_signal_connect(form.forget_button, "clicked", G_CALLBACK(on_forget_clicked), &form);
  show_pin(form);
}

SettingsForm build_form(GtkWidget* box) {
  SettingsForm form{};
  GtkWidget* address_label = field_label(_("服务器地址:"));
  pack_start(box, address_label);
  form.server_entry = gtk_entry_new();
  // A screen reader names each field by its label.
  gtk_label_set_mnemonic_widget(GTK_LABEL(address_label), form.server_entry);
  gtk_entry_set_text(GTK_ENTRY(form.server_entry), app_config.server_address);
  pack_start(box, form.server_entry, false, 5);
  build_certificate_row(box, form);

  GtkWidget* protocol_label = field_label(_("默认协议:"));
  pack_start(box, protocol_label, false, 5);
  form.protocol_combo = gtk_combo_box_text_new();
  gtk_label_set_mnemonic_widget(GTK_LABEL(protocol_label), form.protocol_combo);
  for (const ProtocolRow& row : kProtocolRows)
    gtk_combo_box_text_append(GTK_COMBO_BOX_TEXT(form.protocol_combo), row.id, row.text);
  // An id that matches no row (a hand-edited file) selects nothing, and a
  // save then keeps it.
  gtk_combo_box_set_active_id(GTK_COMBO_BOX(form.protocol_combo),
                              app_config.protocol[0] ? app_config.protocol : kDefaultProtocol);
  pack_start(box, form.protocol_combo);

  form.mac_check = check_button(_("使用MAC地址自动登录(无需输入用户名密码)"), app_config.maclogin != 0);
  pack_start(box, form.mac_check, false, 15);
  form.hide_settings_check = check_button(_("隐藏设置按钮(重启后生效)"), app_config.setting != 0);
  pack_start(box, form.hide_settings_check, false, 5);
  form.logout_check = check_button(_("会话结束后注销"), app_config.logout_on_session_end != 0);
  pack_start(box, form.logout_check, false, 5);
  return form;
}

void save_settings(const SettingsForm& form, GtkWidget* login_window) {
  const bool was_mac = app_config.maclogin != 0;
  copy_fixed(app_config.server_address, gtk_entry_get_text(GTK_ENTRY(form.server_entry)));
  if (const char* id = gtk_combo_box_get_active_id(GTK_COMBO_BOX(form.protocol_combo)))
    copy_fixed(app_config.protocol, id);
  app_config.maclogin = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(form.mac_check)) ? 1 : 0;
  // Read by the login window when it is built, so at the next start.
  app_config.setting = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(form.hide_settings_check)) ? 1 : 0;
  app_config.logout_on_session_end = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(form.logout_check)) ? 1 : 0;
  // The next connection to these pins anew.
  for (const std::string& host_port : form.forgotten)
    if (forget_trusted_certificate(app_config, host_port)) g_print("已忘记服务器证书: %s\n", host_port.c_str());
  // Every "保存" writes the file, changed or not; a failed write has been
  // printed and app_config keeps the new values for this run.
  save_config();
  const bool mac = app_config.maclogin != 0;
  if (mac != was_mac && login_window) set_login_mode(login_window, mac);
}

}  // namespace

void show_settings_dialog(GtkWidget* login_window) {
  const ModalDialog frame = build_modal_dialog(_("设置"), login_window ? GTK_WINDOW(login_window) : nullptr, 400, -1,
                                               {{_("取消"), GTK_RESPONSE_CANCEL}, {_("保存"), GTK_RESPONSE_ACCEPT}});
  SettingsForm form = build_form(frame.box);
  connect_form(form);
  if (run_dialog(frame.dialog.get()) == GTK_RESPONSE_ACCEPT) save_settings(form, login_window);
}

void on_settings_clicked(GtkButton*, gpointer login_window) noexcept {
  show_settings_dialog(static_cast<GtkWidget*>(login_window));
}

gboolean on_settings_label_pressed(GtkWidget*, GdkEventButton* event, gpointer login_window) noexcept {
  if (!is_primary_press(event)) return FALSE;
  show_settings_dialog(static_cast<GtkWidget*>(login_window));
  return TRUE;
}

}  // namespace kesta

#include "support/client_fixture.h"

#include "base/config.h"
#include "base/fixed_text.h"
#include "base/i18n.h"
#include "desktop/desktop_keys.h"
#include "host/status_channel.h"
#include "login/login_keys.h"
#include "login/login_window.h"
#include "support/spin.h"
#include "support/temp_home.h"
#include "support/widget_find.h"

namespace kesta::test {

Vm vm(const std::string& id, const std::string& status, const std::string& name) {
  Vm v;
  v.vmid = id;
  v.vmname = name;
  v.status = status;
  v.poolname = "研发池";
  v.connecttype = "spice";
  return v;
}

void ClientFixture::SetUp() {
  remove_file(config_path());
  apply_config_defaults(app_config);
  start_service();
  dialogs_ = std::make_unique<DialogRecorder>();
}

void ClientFixture::start_service(bool https) {
  StandInOptions options;
  options.https = https;
  service_ = std::make_unique<StandIn>(options);
  service_->service().add_account("alice", "secret", kToken);
  copy_fixed(app_config.server_address, service_->url());
}

void ClientFixture::TearDown() {
  // The first sign-in of a run starts the status channel.
  status_channel_stop();
  // Outside a running main loop there is nothing for "destroy" to quit.
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w; w = w->next)
    g_signal_handlers_disconnect_by_func(w->data, reinterpret_cast<gpointer>(gtk_main_quit), nullptr);
  // The login window first: it releases the desktop record.
  if (login_) gtk_widget_destroy(login_);
  for (GList* w = windows; w; w = w->next)
    if (w->data != login_ && GTK_IS_WINDOW(w->data) && gtk_widget_get_parent(GTK_WIDGET(w->data)) == nullptr &&
        gtk_window_get_window_type(GTK_WINDOW(w->data)) == GTK_WINDOW_TOPLEVEL)
      gtk_widget_destroy(GTK_WIDGET(w->data));
  g_list_free(windows);
  dialogs_.reset();
  service_.reset();
  remove_file(config_path());
}

void ClientFixture::build_login() { login_ = build_login_window(); }

void ClientFixture::sign_in(const std::string& user, const std::string& password, bool remember) {
  if (!login_) build_login();
  gtk_entry_set_text(GTK_ENTRY(named(login_, keys::kUsernameEntry)), user.c_str());
  gtk_entry_set_text(GTK_ENTRY(named(login_, keys::kPasswordEntry)), password.c_str());
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(named(login_, keys::kSaveCheck)), remember);
  gtk_button_clicked(GTK_BUTTON(find_button(login_, _("登录"))));
  wait_for_requests();
}

MainWindowData* ClientFixture::record() const {
  return login_ ? static_cast<MainWindowData*>(g_object_get_data(G_OBJECT(login_), keys::kMainWindow)) : nullptr;
}

std::vector<GtkWidget*> ClientFixture::cards() const {
  std::vector<GtkWidget*> result;
  GList* children = gtk_container_get_children(GTK_CONTAINER(record()->flow_box));
  for (GList* c = children; c; c = c->next) result.push_back(gtk_bin_get_child(GTK_BIN(c->data)));
  g_list_free(children);
  return result;
}

namespace {

GtkWidget* power_menu(GtkWidget* card) {
  GtkWidget* button = find_widget(card, [](GtkWidget* w) { return GTK_IS_MENU_BUTTON(w); });
  return GTK_WIDGET(gtk_menu_button_get_popup(GTK_MENU_BUTTON(button)));
}

}  // namespace

std::vector<std::string> ClientFixture::menu_items(GtkWidget* card) const {
  std::vector<std::string> labels;
  GList* items = gtk_container_get_children(GTK_CONTAINER(power_menu(card)));
  for (GList* i = items; i; i = i->next) labels.emplace_back(gtk_menu_item_get_label(GTK_MENU_ITEM(i->data)));
  g_list_free(items);
  return labels;
}

void ClientFixture::activate_menu_item(GtkWidget* card, const std::string& label) const {
  GtkWidget* found = nullptr;
  GList* items = gtk_container_get_children(GTK_CONTAINER(power_menu(card)));
  for (GList* i = items; i; i = i->next)
    if (label == gtk_menu_item_get_label(GTK_MENU_ITEM(i->data))) found = GTK_WIDGET(i->data);
  g_list_free(items);
  ASSERT_NE(found, nullptr) << label;
  gtk_menu_item_activate(GTK_MENU_ITEM(found));
  wait_for_requests();
}

void ClientFixture::click_connect(GtkWidget* card) const {
  gtk_button_clicked(GTK_BUTTON(find_button(card, _("连接"))));
  wait_for_requests();
}

std::string ClientFixture::page_label() const {
  return gtk_label_get_text(GTK_LABEL(named(record()->window, keys::kPageLabel)));
}

bool ClientFixture::sensitive(const char* key) const { return gtk_widget_get_sensitive(named(record()->window, key)); }

void ClientFixture::click(const char* key) const {
  gtk_button_clicked(GTK_BUTTON(named(record()->window, key)));
  wait_for_requests();
}

}  // namespace kesta::test

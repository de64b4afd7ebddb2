#include "login/login_window.h"

#include <memory>

#include "base/cipher.h"
#include "base/config.h"
#include "base/i18n.h"
#include "base/ptr.h"
#include "login/login_flow.h"
#include "login/login_keys.h"
#include "login/power_dialogs.h"
#include "login/register_dialog.h"
#include "login/settings_dialog.h"
#include "ui/accessible.h"
#include "ui/dialog.h"
#include "ui/fullscreen.h"
#include "ui/status_bar.h"
#include "ui/widget_style.h"

namespace kesta {

namespace {

constexpr const char kFlatButtonCss[] =
    ".flat-button { background: none; border: none; box-shadow: none; outline: none; padding: 0; "
    "margin: 0; }.flat-button:hover { background: none; border: none; box-shadow: none; "
    "}.flat-button:active { background: none; border: none; box-shadow: none; }";

// The logo in the brand colour: every pixel that is not transparent becomes
// #3a7efb with its alpha kept.
RefPtr<GdkPixbuf> tinted_logo() {
  auto image = take_ref(gdk_pixbuf_new_from_resource("/org/kesta/client/res/logo.png", nullptr));
  if (!image) return nullptr;
  auto with_alpha = take_ref(gdk_pixbuf_add_alpha(image.get(), FALSE, 0, 0, 0));
  auto scaled = take_ref(gdk_pixbuf_scale_simple(with_alpha.get(), 100, 100, GDK_INTERP_BILINEAR));
  if (!scaled) return nullptr;
  const int width = gdk_pixbuf_get_width(scaled.get());
  const int height = gdk_pixbuf_get_height(scaled.get());
  const int stride = gdk_pixbuf_get_rowstride(scaled.get());
  guchar* pixels = gdk_pixbuf_get_pixels(scaled.get());
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      guchar* p = pixels + y * stride + x * 4;
      if (p[3] == 0) continue;
      p[0] = 58;
      p[1] = 126;
      p[2] = 251;
    }
  }
  return scaled;
}

// One footer group: an icon button and its text label, both acting for the
// login window.
GtkWidget* footer_group(const char* image, const char* text, GtkAlign align, GtkCssProvider* flat_css,
                        GCallback clicked, GCallback label_pressed, GtkWidget* window) {
  GtkWidget* group = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 5);
  gtk_widget_set_halign(group, align);

  GtkWidget* button = gtk_button_new();
  if (auto picture = load_scaled_image(image, 30, 30))
    gtk_button_set_image(GTK_BUTTON(button), gtk_image_new_from_pixbuf(picture.get()));
  gtk_button_set_relief(GTK_BUTTON(button), GTK_RELIEF_NONE);
  gtk_widget_set_tooltip_text(button, text);
  name_accessible(button, text, ATK_ROLE_PUSH_BUTTON);
  gtk_widget_set_name(button, "flat-button");
  add_widget_css(button, flat_css);
  GtkStyleContext* style = gtk_widget_get_style_context(button);
  gtk_style_context_remove_class(style, "button");
  gtk_style_context_add_class(style, "flat-button");
  gtk_widget_set_app_paintable(button, TRUE);
  // The handlers are given the window and go with it.
  g_signal_connect_object(button, "clicked", clicked, window, G_CONNECT_DEFAULT);
  pack_start(group, button);

  GtkWidget* label = gtk_label_new(text);
  set_text_colour(label, kBlack);
  name_accessible(label, text, ATK_ROLE_PUSH_BUTTON);
  gtk_widget_set_margin_start(label, 5);
  // A plain label has no input window, so a click on it would reach only the
  // window; an invisible event box gives it one.
  GtkWidget* press_area = gtk_event_box_new();
  gtk_event_box_set_visible_window(GTK_EVENT_BOX(press_area), FALSE);
  gtk_widget_add_events(press_area, GDK_BUTTON_PRESS_MASK);
  gtk_container_add(GTK_CONTAINER(press_area), label);
  g_signal_connect_object(press_area, "button-press-event", label_pressed, window, G_CONNECT_DEFAULT);
  pack_start(group, press_area);
  return group;
}

// The window's form, kept on it as its LoginForm.
LoginForm& build_form(GtkWidget* window) {
  GtkWidget* form = gtk_box_new(GTK_ORIENTATION_VERTICAL, 5);
  gtk_widget_set_margin_start(form, 15);
  gtk_widget_set_margin_end(form, 15);

  GtkWidget* username_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 5);
  GtkWidget* username = gtk_entry_new();
  gtk_entry_set_placeholder_text(GTK_ENTRY(username), _("用户名"));
  name_accessible(username, _("用户名"), ATK_ROLE_ENTRY);
  add_style_class(username, "login-input");
  if (app_config.username[0]) gtk_entry_set_text(GTK_ENTRY(username), app_config.username);
  pack_start(username_box, username, true);
  pack_start(form, username_box);

  GtkWidget* password_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 5);
  GtkWidget* password = gtk_entry_new();
  gtk_entry_set_placeholder_text(GTK_ENTRY(password), _("密码"));
  name_accessible(password, _("密码"), ATK_ROLE_PASSWORD_TEXT);
  gtk_entry_set_visibility(GTK_ENTRY(password), FALSE);
  add_style_class(password, "login-input");
  if (app_config.save_credentials && app_config.encrypted_password[0]) {
    GCharPtr clear = decrypt_password(app_config.encrypted_password);
    if (*clear) gtk_entry_set_text(GTK_ENTRY(password), clear.get());
  }
  pack_start(password_box, password, true);
  pack_start(form, password_box);

  GtkWidget* options_box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  GtkWidget* save_check = gtk_check_button_new_with_label(_("自动登录"));
  add_style_class(save_check, "login-checkbox");
  set_text_colour(gtk_bin_get_child(GTK_BIN(save_check)), kBlack);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(save_check), app_config.save_credentials != 0);
  pack_start(options_box, save_check);
  pack_start(form, options_box, false, 5);

  GtkWidget* login = gtk_button_new_with_label(_("登录"));
  add_style_class(login, "login-button");
  gtk_widget_set_margin_top(login, 10);
  gtk_widget_set_margin_bottom(login, 20);
  gtk_widget_set_size_request(login, -1, 40);
  // Enter in either entry signs in as the button does.
  for (GtkWidget* entry : {username, password})
    g_signal_connect_swapped(entry, "activate", G_CALLBACK(gtk_widget_activate), login);
  pack_start(form, login);

  GtkWidget* register_box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_widget_set_halign(register_box, GTK_ALIGN_END);
  gtk_widget_set_margin_bottom(register_box, 5);
  GtkWidget* link = gtk_label_new(nullptr);
  const GCharPtr link_markup(g_markup_printf_escaped("<a href='#'>%s</a>", _("注册账号")));
  gtk_label_set_markup(GTK_LABEL(link), link_markup.get());
  name_accessible(link, _("注册账号"), ATK_ROLE_LINK);
  add_style_class(link, "login-link");
  gtk_widget_set_halign(link, GTK_ALIGN_END);
  gtk_widget_add_events(link, GDK_BUTTON_PRESS_MASK);
  g_signal_connect(link, "button-press-event", G_CALLBACK(on_register_link_pressed), window);
  g_signal_connect(link, "activate-link", G_CALLBACK(on_register_link_activated), nullptr);
  pack_start(register_box, link);
  pack_start(form, register_box);

  GtkWidget* footer = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 20);
  gtk_widget_set_halign(footer, GTK_ALIGN_FILL);
  gtk_widget_set_margin_top(footer, 10);
  gtk_widget_set_margin_bottom(footer, 10);
  auto flat_css = take_ref(gtk_css_provider_new());
  gtk_css_provider_load_from_data(flat_css.get(), kFlatButtonCss, -1, nullptr);
  GtkWidget* settings_group =
      footer_group("/org/kesta/client/res/setting.png", _("设置"), GTK_ALIGN_START, flat_css.get(),
                   G_CALLBACK(on_settings_clicked), G_CALLBACK(on_settings_label_pressed), window);
  pack_start(footer, settings_group, true);
  pack_start(footer,
             footer_group("/org/kesta/client/res/reboot.png", _("重启"), GTK_ALIGN_CENTER, flat_css.get(),
                          G_CALLBACK(confirm_reboot), G_CALLBACK(on_reboot_label_pressed), window),
             true);
  pack_start(footer,
             footer_group("/org/kesta/client/res/close.png", _("关机"), GTK_ALIGN_END, flat_css.get(),
                          G_CALLBACK(confirm_shutdown), G_CALLBACK(on_shutdown_label_pressed), window),
             true);
  pack_start(form, footer);

  GObject* w = G_OBJECT(window);
  g_object_set_data(w, keys::kUsernameEntry, username);
  g_object_set_data(w, keys::kPasswordEntry, password);
  g_object_set_data(w, keys::kSaveCheck, save_check);
  g_object_set_data(w, keys::kLoginButton, login);
  g_object_set_data(w, keys::kUsernameBox, username_box);
  g_object_set_data(w, keys::kPasswordBox, password_box);
  g_object_set_data(w, keys::kOptionsBox, options_box);
  g_object_set_data(w, keys::kFormBox, form);
  g_object_set_data(w, keys::kRegisterLinkBox, register_box);
  auto record = std::make_unique<LoginForm>(LoginForm{window, form, username_box, password_box, options_box, username,
                                                      password, save_check, login, settings_group, nullptr});
  LoginForm& kept = *record;
  g_signal_connect(login, "clicked", G_CALLBACK(on_login_clicked), &kept);
  g_object_set_data_full(w, keys::kLoginForm, record.release(),
                         [](gpointer form) noexcept { delete static_cast<LoginForm*>(form); });
  return kept;
}

}  // namespace

void set_login_mode(GtkWidget* login_window, bool mac) {
  auto* form = static_cast<LoginForm*>(g_object_get_data(G_OBJECT(login_window), keys::kLoginForm));
  for (GtkWidget* box : {form->username_box, form->password_box, form->options_box}) gtk_widget_set_visible(box, !mac);

  if (mac && !form->mac_notice) {
    GtkWidget* notice = gtk_label_new(_("MAC地址自动登录模式已启用"));
    add_style_class(notice, "mac-login-info");
    set_text_colour(notice, kBlack);
    gtk_widget_set_margin_bottom(notice, 10);
    pack_start(form->form_box, notice);
    form->mac_notice = notice;
    g_object_set_data(G_OBJECT(login_window), keys::kMacInfoLabel, notice);
  }
  if (form->mac_notice) gtk_widget_set_visible(form->mac_notice, mac);
  // The first thing to use has the keyboard: the user name, or in MAC mode
  // the button, as the entries are gone.
  gtk_widget_grab_focus(mac ? form->login_button : form->username_entry);
}

GtkWidget* build_login_window() {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), _("KESTA 客户端"));
  gtk_window_set_default_size(GTK_WINDOW(window), 960, 600);
  gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
  make_fullscreen(GTK_WINDOW(window));
  set_window_icon(GTK_WINDOW(window));
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);

  GtkWidget* main_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  add_style_class(main_box, "main-box");
  gtk_container_add(GTK_CONTAINER(window), main_box);

  GtkWidget* content = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  pack_start(main_box, content, true);
  GtkWidget* centring = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_widget_set_halign(centring, GTK_ALIGN_CENTER);
  gtk_widget_set_valign(centring, GTK_ALIGN_CENTER);
  pack_start(content, centring, true);

  GtkWidget* login_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 15);
  gtk_widget_set_size_request(login_box, 400, -1);
  add_style_class(login_box, "login-box");
  gtk_widget_set_margin_start(login_box, 20);
  gtk_widget_set_margin_end(login_box, 20);
  gtk_widget_set_margin_top(login_box, 20);
  gtk_widget_set_margin_bottom(login_box, 20);
  pack_start(centring, login_box);

  if (auto logo_pixbuf = tinted_logo()) {
    GtkWidget* logo = gtk_image_new_from_pixbuf(logo_pixbuf.get());
    gtk_widget_set_margin_top(logo, 5);
    gtk_widget_set_margin_bottom(logo, 5);
    gtk_widget_set_halign(logo, GTK_ALIGN_CENTER);
    add_style_class(logo, "logo-image");
    pack_start(login_box, logo);
  }

  GtkWidget* title = gtk_label_new(_("欢迎使用云桌面!"));
  add_style_class(title, "login-title");
  gtk_widget_set_margin_bottom(title, 5);
  gtk_widget_set_halign(title, GTK_ALIGN_CENTER);
  pack_start(login_box, title);

  const LoginForm& form = build_form(window);
  pack_start(login_box, form.form_box, true);
  gtk_box_pack_end(GTK_BOX(main_box), build_status_bar(window, true), FALSE, FALSE, 0);

  gtk_widget_show_all(window);
  // Showing the window showed every child; hide again what the settings say.
  // A changed "setting" takes effect only at the next start.
  if (app_config.setting) gtk_widget_hide(form.settings_group);
  set_login_mode(window, app_config.maclogin != 0);
  return window;
}

}  // namespace kesta

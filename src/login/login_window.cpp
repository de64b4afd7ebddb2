#include "login/login_window.h"

#include "app/cipher.h"
#include "app/config.h"
#include "app/data_keys.h"
#include "app/dialog.h"
#include "app/fullscreen.h"
#include "app/label_timer.h"
#include "app/ptr.h"
#include "app/widget_style.h"
#include "host/host_identity.h"

namespace kesta {

namespace {

constexpr const char kVersion[] = "0.0.1";
constexpr guint kBarTimerSeconds = 60;

constexpr const char kFlatButtonCss[] =
    ".flat-button { background: none; border: none; box-shadow: none; outline: none; padding: 0; "
    "margin: 0; }.flat-button:hover { background: none; border: none; box-shadow: none; "
    "}.flat-button:active { background: none; border: none; box-shadow: none; }";

void add_class(GtkWidget* widget, const char* name) {
  gtk_style_context_add_class(gtk_widget_get_style_context(widget), name);
}

void pack(GtkWidget* box, GtkWidget* child, bool expand = false, guint padding = 0) {
  gtk_box_pack_start(GTK_BOX(box), child, expand, expand, padding);
}

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

GtkWidget* bar_label(const char* text) {
  GtkWidget* label = gtk_label_new(text);
  set_text_colour(label, kBarGrey);
  return label;
}

// One footer group: an icon button and its text label.
GtkWidget* footer_group(const char* image, const char* text, GtkAlign align,
                        GtkCssProvider* flat_css) {
  GtkWidget* group = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 5);
  gtk_widget_set_halign(group, align);

  GtkWidget* button = gtk_button_new();
  if (auto picture = load_scaled_image(image, 30, 30))
    gtk_button_set_image(GTK_BUTTON(button), gtk_image_new_from_pixbuf(picture.get()));
  gtk_button_set_relief(GTK_BUTTON(button), GTK_RELIEF_NONE);
  gtk_widget_set_tooltip_text(button, text);
  gtk_widget_set_name(button, "flat-button");
  add_widget_css(button, flat_css);
  GtkStyleContext* style = gtk_widget_get_style_context(button);
  gtk_style_context_remove_class(style, "button");
  gtk_style_context_add_class(style, "flat-button");
  gtk_widget_set_app_paintable(button, TRUE);
  pack(group, button);

  GtkWidget* label = gtk_label_new(text);
  set_text_colour(label, kBlack);
  gtk_widget_set_margin_start(label, 5);
  gtk_widget_add_events(label, GDK_BUTTON_PRESS_MASK);
  pack(group, label);
  return group;
}

struct Form {
  GtkWidget* box;
  GtkWidget* settings_group;
};

Form build_form(GtkWidget* window) {
  GtkWidget* form = gtk_box_new(GTK_ORIENTATION_VERTICAL, 5);
  gtk_widget_set_margin_start(form, 15);
  gtk_widget_set_margin_end(form, 15);

  GtkWidget* username_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 5);
  GtkWidget* username = gtk_entry_new();
  gtk_entry_set_placeholder_text(GTK_ENTRY(username), "用户名");
  add_class(username, "login-input");
  if (app_config.username[0]) gtk_entry_set_text(GTK_ENTRY(username), app_config.username);
  pack(username_box, username, true);
  pack(form, username_box);

  GtkWidget* password_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 5);
  GtkWidget* password = gtk_entry_new();
  gtk_entry_set_placeholder_text(GTK_ENTRY(password), "密码");
  gtk_entry_set_visibility(GTK_ENTRY(password), FALSE);
  add_class(password, "login-input");
  if (app_config.save_credentials && app_config.encrypted_password[0]) {
    GCharPtr clear = decrypt_password(app_config.encrypted_password);
    if (*clear) gtk_entry_set_text(GTK_ENTRY(password), clear.get());
  }
  pack(password_box, password, true);
  pack(form, password_box);

  GtkWidget* options_box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  GtkWidget* save_check = gtk_check_button_new_with_label("自动登录");
  add_class(save_check, "login-checkbox");
  set_text_colour(gtk_bin_get_child(GTK_BIN(save_check)), kBlack);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(save_check), app_config.save_credentials != 0);
  pack(options_box, save_check);
  pack(form, options_box, false, 5);

  GtkWidget* login = gtk_button_new_with_label("登录");
  add_class(login, "login-button");
  gtk_widget_set_margin_top(login, 10);
  gtk_widget_set_margin_bottom(login, 20);
  gtk_widget_set_size_request(login, -1, 40);
  pack(form, login);

  GtkWidget* register_box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_widget_set_halign(register_box, GTK_ALIGN_END);
  gtk_widget_set_margin_bottom(register_box, 5);
  GtkWidget* link = gtk_label_new(nullptr);
  gtk_label_set_markup(GTK_LABEL(link), "<a href='#'>注册账号</a>");
  add_class(link, "login-link");
  gtk_widget_set_halign(link, GTK_ALIGN_END);
  gtk_widget_add_events(link, GDK_BUTTON_PRESS_MASK);
  pack(register_box, link);
  pack(form, register_box);

  GtkWidget* footer = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 20);
  gtk_widget_set_halign(footer, GTK_ALIGN_FILL);
  gtk_widget_set_margin_top(footer, 10);
  gtk_widget_set_margin_bottom(footer, 10);
  auto flat_css = take_ref(gtk_css_provider_new());
  gtk_css_provider_load_from_data(flat_css.get(), kFlatButtonCss, -1, nullptr);
  GtkWidget* settings_group =
      footer_group("/org/kesta/client/res/setting.png", "设置", GTK_ALIGN_START, flat_css.get());
  pack(footer, settings_group, true);
  pack(footer, footer_group("/org/kesta/client/res/reboot.png", "重启", GTK_ALIGN_CENTER, flat_css.get()), true);
  pack(footer, footer_group("/org/kesta/client/res/close.png", "关机", GTK_ALIGN_END, flat_css.get()), true);
  pack(form, footer);

  GObject* w = G_OBJECT(window);
  g_object_set_data(w, keys::kUsernameEntry, username);
  g_object_set_data(w, keys::kPasswordEntry, password);
  g_object_set_data(w, keys::kSaveCheck, save_check);
  g_object_set_data(w, keys::kUsernameBox, username_box);
  g_object_set_data(w, keys::kPasswordBox, password_box);
  g_object_set_data(w, keys::kOptionsBox, options_box);
  g_object_set_data(w, keys::kFormBox, form);
  g_object_set_data(w, keys::kRegisterLinkBox, register_box);
  return {form, settings_group};
}

GtkWidget* build_bottom_bar() {
  GtkWidget* bar = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_widget_set_margin_top(bar, 0);
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_widget_set_margin_top(row, 5);
  gtk_widget_set_margin_bottom(row, 5);
  gtk_widget_set_size_request(row, -1, 30);

  GtkWidget* left = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 5);
  gtk_widget_set_halign(left, GTK_ALIGN_START);
  gtk_widget_set_margin_start(left, 20);
  gtk_widget_set_size_request(left, 300, -1);
  GCharPtr host = get_host_name();
  GCharPtr host_text(g_strdup_printf("客户端名称：%s", host.get()));
  GtkWidget* host_label = bar_label(host_text.get());
  gtk_widget_set_halign(host_label, GTK_ALIGN_START);
  pack(left, host_label);
  pack(left, bar_label(" | "));
  GCharPtr address = get_local_ip();
  GCharPtr address_text(g_strdup_printf("本地地址：%s", address.get()));
  GtkWidget* address_label = bar_label(address_text.get());
  gtk_widget_set_halign(address_label, GTK_ALIGN_START);
  pack(left, address_label);
  pack(row, left);

  GtkWidget* middle = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_widget_set_hexpand(middle, TRUE);
  GCharPtr version(g_strdup_printf("青柚KESTA 版本：%s", kVersion));
  GtkWidget* version_label = bar_label(version.get());
  gtk_widget_set_halign(version_label, GTK_ALIGN_CENTER);
  pack(middle, version_label, true);
  pack(row, middle, true);

  GtkWidget* right = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_widget_set_halign(right, GTK_ALIGN_END);
  gtk_widget_set_size_request(right, 300, -1);
  GtkWidget* clock = bar_label("");
  gtk_widget_set_halign(clock, GTK_ALIGN_END);
  gtk_widget_set_margin_end(clock, 20);
  gtk_box_pack_end(GTK_BOX(right), clock, FALSE, FALSE, 0);
  pack(row, right);

  pack(bar, row);
  attach_label_timer(address_label, kBarTimerSeconds, refresh_address_label, false);
  attach_label_timer(clock, kBarTimerSeconds, update_clock_label, true);
  return bar;
}

}  // namespace

gboolean refresh_address_label(gpointer label) noexcept {
  GCharPtr address = get_local_ip();
  GCharPtr text(g_strdup_printf("本地地址：%s", address.get()));
  gtk_label_set_text(GTK_LABEL(label), text.get());
  return G_SOURCE_CONTINUE;
}

void set_login_mode(GtkWidget* login_window, bool mac) {
  GObject* w = G_OBJECT(login_window);
  for (const char* key : {keys::kUsernameBox, keys::kPasswordBox, keys::kOptionsBox})
    gtk_widget_set_visible(GTK_WIDGET(g_object_get_data(w, key)), !mac);

  auto* notice = static_cast<GtkWidget*>(g_object_get_data(w, keys::kMacInfoLabel));
  if (mac && !notice) {
    notice = gtk_label_new("MAC地址自动登录模式已启用");
    add_class(notice, "mac-login-info");
    set_text_colour(notice, kBlack);
    gtk_widget_set_margin_bottom(notice, 10);
    pack(GTK_WIDGET(g_object_get_data(w, keys::kFormBox)), notice);
    g_object_set_data(w, keys::kMacInfoLabel, notice);
  }
  if (notice) gtk_widget_set_visible(notice, mac);
}

GtkWidget* build_login_window() {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "KESTA 客户端");
  gtk_window_set_default_size(GTK_WINDOW(window), 960, 600);
  gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
  make_fullscreen(GTK_WINDOW(window));
  set_window_icon(GTK_WINDOW(window));
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);

  GtkWidget* main_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  add_class(main_box, "main-box");
  gtk_container_add(GTK_CONTAINER(window), main_box);

  GtkWidget* content = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  pack(main_box, content, true);
  GtkWidget* centring = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_widget_set_halign(centring, GTK_ALIGN_CENTER);
  gtk_widget_set_valign(centring, GTK_ALIGN_CENTER);
  pack(content, centring, true);

  GtkWidget* login_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 15);
  gtk_widget_set_size_request(login_box, 400, -1);
  add_class(login_box, "login-box");
  gtk_widget_set_margin_start(login_box, 20);
  gtk_widget_set_margin_end(login_box, 20);
  gtk_widget_set_margin_top(login_box, 20);
  gtk_widget_set_margin_bottom(login_box, 20);
  pack(centring, login_box);

  if (auto logo_pixbuf = tinted_logo()) {
    GtkWidget* logo = gtk_image_new_from_pixbuf(logo_pixbuf.get());
    gtk_widget_set_margin_top(logo, 5);
    gtk_widget_set_margin_bottom(logo, 5);
    gtk_widget_set_halign(logo, GTK_ALIGN_CENTER);
    add_class(logo, "logo-image");
    pack(login_box, logo);
  }

  GtkWidget* title = gtk_label_new("欢迎使用云桌面!");
  add_class(title, "login-title");
  gtk_widget_set_margin_bottom(title, 5);
  gtk_widget_set_halign(title, GTK_ALIGN_CENTER);
  pack(login_box, title);

  const Form form = build_form(window);
  pack(login_box, form.box, true);
  gtk_box_pack_end(GTK_BOX(main_box), build_bottom_bar(), FALSE, FALSE, 0);

  gtk_widget_show_all(window);
  // Showing the window showed every child; hide again what the settings say.
  // A changed "setting" takes effect only at the next start.
  if (app_config.setting) gtk_widget_hide(form.settings_group);
  if (app_config.maclogin) set_login_mode(window, true);
  return window;
}

}  // namespace kesta

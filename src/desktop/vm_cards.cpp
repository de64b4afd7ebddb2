#include "desktop/vm_cards.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

#include "base/fixed_text.h"
#include "base/i18n.h"
#include "desktop/card_layout.h"
#include "desktop/desktop_keys.h"
#include "desktop/vm_actions.h"
#include "ui/accessible.h"
#include "ui/widget_style.h"

namespace kesta {

namespace {

int page_count(const MainWindowData* data) {
  const int length = static_cast<int>(data->vm_list.size());
  return (length + kCardsPerPage - 1) / kCardsPerPage;
}

void turn_to(MainWindowData* data, int page) {
  data->current_page = page;
  g_object_set_data(G_OBJECT(data->window), keys::kCurrentPage, GINT_TO_POINTER(page));
  show_vm_page(data);
}

GtkWidget* info_row(const char* title, const char* value, GtkWidget** value_label) {
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 5);
  GtkWidget* title_label = gtk_label_new(title);
  add_style_class(title_label, "info-title");
  gtk_widget_set_halign(title_label, GTK_ALIGN_START);
  pack_start(row, title_label);
  *value_label = gtk_label_new(value);
  gtk_widget_set_halign(*value_label, GTK_ALIGN_START);
  // A long name is cut rather than widening every card of the page, and the
  // window with them, past the screen.
  gtk_label_set_ellipsize(GTK_LABEL(*value_label), PANGO_ELLIPSIZE_END);
  pack_start(row, *value_label);
  return row;
}

// The cards' own style sheets, parsed on the first card and shared by every
// card after it, of every window, for the rest of the run.
struct CardStyles {
  RefPtr<GtkCssProvider> frame = css_provider("frame { border-radius: 8px; background-color: white; margin: 8px; }");
  RefPtr<GtkCssProvider> running = css_provider("label { color: #1a7a41; font-weight: bold; }");
  RefPtr<GtkCssProvider> not_running = css_provider("label { color: #5d6d7e; font-weight: bold; }");
  RefPtr<GtkCssProvider> separator = css_provider("separator { background-color: black; min-height: 1px; }");
};

const CardStyles& card_styles() {
  static const CardStyles styles;
  return styles;
}

struct MenuEntry {
  const char* label;
  void (*handler)(GtkMenuItem*, gpointer) noexcept;
};

// Each item keeps its own copy of the VM id: a refresh may replace the list
// while the menu is open.
GtkWidget* power_menu(const VmInfo& vm) {
  static constexpr MenuEntry kRunning[] = {{N_("关机"), on_power_shutdown},
                                           {N_("强制关机"), on_power_stop},
                                           {N_("重启"), on_power_reboot},
                                           {N_("强制重启"), on_power_reset}};
  static constexpr MenuEntry kSuspended[] = {{N_("恢复"), on_power_resume}};
  static constexpr MenuEntry kOther[] = {{N_("开机"), on_power_start}};

  const std::string_view status = vm.status;
  const MenuEntry* begin = kOther;
  const MenuEntry* end = std::end(kOther);
  if (status == "running") {
    begin = kRunning;
    end = std::end(kRunning);
  } else if (status == "paused" || status == "suspended") {
    begin = kSuspended;
    end = std::end(kSuspended);
  }

  GtkWidget* menu = gtk_menu_new();
  add_style_class(menu, "vm-power-menu");
  for (const MenuEntry* e = begin; e != end; ++e) {
    GtkWidget* item = gtk_menu_item_new_with_label(_(e->label));
    add_style_class(item, "vm-menu-item");
    set_text_colour(gtk_bin_get_child(GTK_BIN(item)), kBlack);
    g_object_set_data_full(G_OBJECT(item), keys::kButtonVmid, g_strdup(vm.vmid), g_free);
    g_signal_connect(item, "enter-notify-event", G_CALLBACK(on_menu_item_enter), nullptr);
    g_signal_connect(item, "leave-notify-event", G_CALLBACK(on_menu_item_leave), nullptr);
    g_signal_connect(item, "activate", G_CALLBACK(e->handler), nullptr);
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
  }
  gtk_widget_show_all(menu);
  return menu;
}

}  // namespace

GtkWidget* build_vm_card(const VmInfo& vm) {
  const CardStyles& styles = card_styles();
  GtkWidget* frame = gtk_frame_new(nullptr);
  gtk_widget_set_size_request(frame, kCardWidth, kCardHeight);
  gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_ETCHED_OUT);
  add_widget_css(frame, styles.frame.get());

  GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_container_set_border_width(GTK_CONTAINER(column), 5);
  gtk_container_add(GTK_CONTAINER(frame), column);

  GtkWidget* top = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 5);
  gtk_widget_set_margin_bottom(top, 5);
  pack_start(column, top, true);
  if (auto picture = load_scaled_image("/org/kesta/client/res/windows.png", 128, 128)) {
    GtkWidget* image = gtk_image_new_from_pixbuf(picture.get());
    gtk_widget_set_margin_end(image, 5);
    gtk_widget_set_valign(image, GTK_ALIGN_CENTER);
    pack_start(top, image);
  }

  GtkWidget* info = gtk_box_new(GTK_ORIENTATION_VERTICAL, 2);
  gtk_widget_set_margin_top(info, 0);
  gtk_widget_set_valign(info, GTK_ALIGN_CENTER);
  pack_start(top, info, true);
  GtkWidget* value = nullptr;
  pack_start(info, info_row(_("桌面名称："), vm.vmname, &value));
  add_style_class(value, "info-value");
  pack_start(info, info_row(_("所属桌面池："), vm.poolname, &value));
  add_style_class(value, "info-value");
  pack_start(info, info_row(_("当前状态："), vm.status, &value));
  add_widget_css(value, std::strcmp(vm.status, "running") == 0 ? styles.running.get() : styles.not_running.get());

  GtkWidget* separator = gtk_separator_new(GTK_ORIENTATION_HORIZONTAL);
  add_widget_css(separator, styles.separator.get());
  pack_start(column, separator);

  GtkWidget* buttons = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 10);
  gtk_widget_set_margin_top(buttons, 5);
  gtk_widget_set_margin_bottom(buttons, 5);
  gtk_widget_set_halign(buttons, GTK_ALIGN_CENTER);
  pack_start(column, buttons);

  GtkWidget* power = gtk_menu_button_new();
  gtk_button_set_label(GTK_BUTTON(power), _("电源选项"));
  gtk_widget_set_size_request(power, 80, 25);
  add_style_class(power, "vm-button");
  add_style_class(power, "power");
  gtk_menu_button_set_popup(GTK_MENU_BUTTON(power), power_menu(vm));
  describe_accessible(power, _("电源选项"), vm.vmname);
  pack_start(buttons, power);

  GtkWidget* connect = gtk_button_new_with_label(_("连接"));
  gtk_widget_set_size_request(connect, 80, 25);
  add_style_class(connect, "vm-button");
  add_style_class(connect, "connect");
  g_object_set_data_full(G_OBJECT(connect), keys::kButtonVmid, g_strdup(vm.vmid), g_free);
  g_object_set_data_full(G_OBJECT(connect), keys::kStatus, g_strdup(vm.status), g_free);
  g_signal_connect(connect, "clicked", G_CALLBACK(on_connect_clicked), nullptr);
  describe_accessible(connect, _("连接"), vm.vmname);
  pack_start(buttons, connect);

  gtk_widget_show_all(frame);
  return frame;
}

void clear_vm_cards(MainWindowData* data) {
  GList* children = gtk_container_get_children(GTK_CONTAINER(data->flow_box));
  for (GList* c = children; c; c = c->next) gtk_widget_destroy(GTK_WIDGET(c->data));
  g_list_free(children);
}

void update_paging_controls(MainWindowData* data) {
  const int current = data->current_page;
  const int pages = page_count(data);
  char text[50];
  g_snprintf(text, sizeof text, _("第 %d/%d 页"), current, pages > 1 ? pages : 1);
  gtk_label_set_text(GTK_LABEL(data->page_label), text);
  gtk_widget_set_sensitive(data->prev_button.get(), current > 1);
  gtk_widget_set_sensitive(data->next_button.get(), current < pages);
}

void show_vm_page(MainWindowData* data) {
  clear_vm_cards(data);
  if (data->vm_list.empty()) {
    gtk_label_set_text(GTK_LABEL(data->status_label), _("无可用的虚拟机列表"));
    gtk_widget_show(data->status_label);
    update_paging_controls(data);
    return;
  }
  gtk_widget_hide(data->status_label);
  const long start = static_cast<long>(data->current_page - 1) * kCardsPerPage;
  const long end = std::min<long>(start + kCardsPerPage, static_cast<long>(data->vm_list.size()));
  for (long i = std::max(start, 0L); i < end; ++i)
    gtk_flow_box_insert(GTK_FLOW_BOX(data->flow_box), build_vm_card(data->vm_list[static_cast<std::size_t>(i)]), -1);
  gtk_widget_show_all(data->flow_box);
  update_paging_controls(data);
}

void on_prev_page(GtkButton*, gpointer record) noexcept {
  auto* data = static_cast<MainWindowData*>(record);
  if (data->current_page < 2) return;
  turn_to(data, data->current_page - 1);
}

void on_next_page(GtkButton*, gpointer record) noexcept {
  auto* data = static_cast<MainWindowData*>(record);
  if (data->current_page >= page_count(data)) return;
  turn_to(data, data->current_page + 1);
}

gboolean on_menu_item_enter(GtkWidget* item, GdkEvent*, gpointer) noexcept {
  set_text_colour(gtk_bin_get_child(GTK_BIN(item)), kWhite);
  return FALSE;
}

gboolean on_menu_item_leave(GtkWidget* item, GdkEvent*, gpointer) noexcept {
  set_text_colour(gtk_bin_get_child(GTK_BIN(item)), kBlack);
  return FALSE;
}

}  // namespace kesta

#include "desktop/desktop_window.h"

#include "base/config.h"
#include "base/i18n.h"
#include "desktop/card_layout.h"
#include "desktop/desktop_keys.h"
#include "desktop/refresh.h"
#include "desktop/vm_cards.h"
#include "ui/dialog.h"
#include "ui/fullscreen.h"
#include "ui/status_bar.h"
#include "ui/widget_style.h"

namespace kesta {

namespace {

void header_button(GtkWidget* group, const char* label, GCallback handler, MainWindowData* data,
                   WeakPtr<GtkWidget>& slot) {
  GtkWidget* button = gtk_button_new_with_label(label);
  g_signal_connect(button, "clicked", handler, data);
  slot.reset(button);
  pack_start(group, button);
}

void build_header(MainWindowData* data) {
  data->header_box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 10);
  gtk_widget_set_margin_bottom(data->header_box, 20);
  GtkWidget* title = gtk_label_new(nullptr);
  const GCharPtr markup(
      g_markup_printf_escaped("<span font_size='large' font_weight='bold'>%s</span>", _("KESTA虚拟桌面")));
  gtk_label_set_markup(GTK_LABEL(title), markup.get());
  gtk_widget_set_halign(title, GTK_ALIGN_START);
  pack_start(data->header_box, title);

  GtkWidget* group = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 10);
  gtk_widget_set_hexpand(group, TRUE);
  gtk_widget_set_halign(group, GTK_ALIGN_END);
  header_button(group, _("刷新"), G_CALLBACK(on_refresh_clicked), data, data->refresh_button);
  header_button(group, _("修改密码"), G_CALLBACK(on_change_password_clicked), data, data->password_button);
  header_button(group, _("注销"), G_CALLBACK(on_logout_clicked), data, data->logout_button);
  pack_start(data->header_box, group, true);
  pack_start(data->content_box, data->header_box);
}

// Four cards in a line where they fit, else two lines of two, for the
// monitor the window covers now.
void fit_cards_to_monitor(GtkWidget* flow_box) {
  GtkWidget* window = gtk_widget_get_toplevel(flow_box);
  GtkWidget* scrolled = gtk_widget_get_ancestor(flow_box, GTK_TYPE_SCROLLED_WINDOW);
  if (!GTK_IS_WINDOW(window) || !scrolled) return;
  GdkMonitor* monitor = window_monitor(GTK_WINDOW(window));
  if (!monitor) return;
  GdkRectangle work;
  gdk_monitor_get_workarea(monitor, &work);
  const CardLayout layout = card_layout(work.width);
  GtkFlowBox* flow = GTK_FLOW_BOX(flow_box);
  gtk_flow_box_set_min_children_per_line(flow, layout.per_line);
  gtk_flow_box_set_max_children_per_line(flow, layout.per_line);
  gtk_widget_set_size_request(scrolled, layout.area_width, layout.area_height);
}

void on_screen_changed(GdkScreen*, gpointer flow_box) noexcept { fit_cards_to_monitor(GTK_WIDGET(flow_box)); }

void build_vm_area(MainWindowData* data) {
  GtkWidget* window = data->window;
  data->vm_area = gtk_box_new(GTK_ORIENTATION_VERTICAL, 10);
  gtk_box_pack_start(GTK_BOX(data->content_box), data->vm_area, TRUE, FALSE, 0);

  data->status_label = gtk_label_new(_("正在加载虚拟机列表..."));
  gtk_widget_set_margin_top(data->status_label, 20);
  pack_start(data->vm_area, data->status_label);

  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_NEVER, GTK_POLICY_NEVER);
  gtk_widget_set_vexpand(scrolled, FALSE);
  gtk_widget_set_halign(scrolled, GTK_ALIGN_CENTER);
  gtk_widget_set_valign(scrolled, GTK_ALIGN_CENTER);
  data->flow_box = gtk_flow_box_new();
  GtkFlowBox* flow = GTK_FLOW_BOX(data->flow_box);
  gtk_flow_box_set_selection_mode(flow, GTK_SELECTION_NONE);
  gtk_flow_box_set_homogeneous(flow, TRUE);
  gtk_flow_box_set_column_spacing(flow, kCardSpacing);
  gtk_flow_box_set_row_spacing(flow, 0);
  gtk_widget_set_halign(data->flow_box, GTK_ALIGN_CENTER);
  gtk_widget_set_valign(data->flow_box, GTK_ALIGN_CENTER);
  gtk_widget_set_hexpand(data->flow_box, FALSE);
  gtk_widget_set_vexpand(data->flow_box, FALSE);
  gtk_container_add(GTK_CONTAINER(scrolled), data->flow_box);
  pack_start(data->vm_area, scrolled);
  fit_cards_to_monitor(data->flow_box);
  // Laid out again when the screen changes; the handlers go with the cards'
  // flow box, which the teardown destroys.
  GdkScreen* screen = gtk_widget_get_screen(window);
  g_signal_connect_object(screen, "monitors-changed", G_CALLBACK(on_screen_changed), data->flow_box,
                          G_CONNECT_DEFAULT);
  g_signal_connect_object(screen, "size-changed", G_CALLBACK(on_screen_changed), data->flow_box,
                          G_CONNECT_DEFAULT);

  GtkWidget* paging = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 10);
  gtk_widget_set_halign(paging, GTK_ALIGN_CENTER);
  gtk_widget_set_margin_top(paging, 10);
  GtkWidget* prev = gtk_button_new_with_label(_("上一页"));
  gtk_widget_set_sensitive(prev, FALSE);
  data->page_label = gtk_label_new(_("第 1 页"));
  gtk_widget_set_margin_start(data->page_label, 10);
  gtk_widget_set_margin_end(data->page_label, 10);
  GtkWidget* next = gtk_button_new_with_label(_("下一页"));
  gtk_widget_set_sensitive(next, FALSE);
  pack_start(paging, prev);
  pack_start(paging, data->page_label);
  pack_start(paging, next);
  pack_start(data->vm_area, paging);

  GObject* w = G_OBJECT(window);
  g_object_set_data(w, keys::kPrevButton, prev);
  g_object_set_data(w, keys::kPageLabel, data->page_label);
  g_object_set_data(w, keys::kNextButton, next);
  g_object_set_data(w, keys::kCurrentPage, GINT_TO_POINTER(data->current_page));
  g_object_set_data(w, keys::kItemsPerPage, GINT_TO_POINTER(kCardsPerPage));
  g_signal_connect(prev, "clicked", G_CALLBACK(on_prev_page), data);
  g_signal_connect(next, "clicked", G_CALLBACK(on_next_page), data);
  data->prev_button.reset(prev);
  data->next_button.reset(next);
}

// A hidden window's requests have no one left to answer to.
void on_desktop_hidden(GtkWidget*, gpointer record) noexcept {
  auto* data = static_cast<MainWindowData*>(record);
  data->list_load.release();
  data->action.release();
  // The viewers themselves go on running.
  data->opening.reset();
}

}  // namespace

std::unique_ptr<MainWindowData> create_desktop_window(const char* token, GtkWidget* login_window) {
  auto data = std::make_unique<MainWindowData>();
  data->token.reset(g_strdup(token));
  data->sessions = std::make_shared<ViewerSessions>();
  data->sessions->record = data.get();

  data->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  data->window_ref = add_ref(data->window);
  data->login_window = login_window;
  GtkWindow* window = GTK_WINDOW(data->window);
  gtk_window_set_title(window, _("KESTA客户端"));
  gtk_window_set_default_size(window, 960, 600);
  gtk_window_set_position(window, GTK_WIN_POS_CENTER);
  gtk_container_set_border_width(GTK_CONTAINER(window), kDesktopBorder);
  g_object_set_data(G_OBJECT(window), keys::kLoginWindow, login_window);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);

  GtkWidget* outer = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_container_add(GTK_CONTAINER(window), outer);
  data->content_box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 10);
  pack_start(outer, data->content_box, true);
  build_header(data.get());
  build_vm_area(data.get());
  gtk_box_pack_end(GTK_BOX(outer), build_status_bar(data->window, false), FALSE, FALSE, 0);

  make_fullscreen(window);
  gtk_widget_show_all(data->window);

  // The window is there at once, saying that the list is loading.  A failed
  // first load only shows the empty list; it does not end the session.
  MainWindowData* record = data.get();
  data->list_load.request =
      fetch_vm_list_async(app_config.server_address, data->token.get(), [record](ReplyOutcome<VmList> reply) {
        record->vm_list = std::move(reply.record);
        show_vm_page(record);
      });
  g_signal_connect(window, "hide", G_CALLBACK(on_desktop_hidden), record);

  data->refresh_timer = add_timeout(refresh_milliseconds, refresh_timer_tick, record);
  const guint timer = data->refresh_timer.id();
  g_object_set_data(G_OBJECT(window), keys::kRefreshTimerId, GUINT_TO_POINTER(timer));
  g_print("创建自动刷新定时器，ID: %u\n", timer);
  return data;
}

void destroy_main_window_data(gpointer record) noexcept {
  std::unique_ptr<MainWindowData> data(static_cast<MainWindowData*>(record));
  if (!data) return;
  // Nothing that outlives the record may call back with it, whether the
  // window stays on the screen or not.
  g_signal_handlers_disconnect_by_func(data->window, reinterpret_cast<gpointer>(on_desktop_hidden), record);
  for (const WeakPtr<GtkWidget>* button :
       {&data->refresh_button, &data->password_button, &data->logout_button, &data->prev_button, &data->next_button})
    if (GtkWidget* widget = button->get()) g_signal_handlers_disconnect_by_data(widget, record);
  // Nothing may find the record through the window once it is gone.
  g_object_set_data(G_OBJECT(data->window), keys::kMainWindowData, nullptr);
  if (data->refresh_timer.id()) {
    g_print("移除自动刷新定时器\n");
    stop_refresh_timer(data.get());
  }
  // The window of an ended sign-in stays, hidden for good, but what it holds
  // goes: its widgets, card images, X window and last connection reply take
  // about a megabyte, and a terminal signed in and out all day would keep
  // every one of them.
  GtkWidget* window = data->window;
  if (gtk_widget_get_visible(window) || gtk_widget_in_destruction(window)) return;
  if (GtkWidget* content = gtk_bin_get_child(GTK_BIN(window))) gtk_widget_destroy(content);
  g_object_set_data(G_OBJECT(window), keys::kVmData, nullptr);
  gtk_widget_unrealize(window);
}

void on_logout_clicked(GtkButton*, gpointer record) noexcept {
  auto* data = static_cast<MainWindowData*>(record);
  gtk_widget_hide(data->window);
  gtk_widget_show(data->login_window);
}

void on_change_password_clicked(GtkButton*, gpointer) noexcept { g_print("修改密码功能待实现\n"); }

}  // namespace kesta

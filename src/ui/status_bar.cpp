#include "ui/status_bar.h"

#include <ctime>

#include "base/i18n.h"
#include "base/ptr.h"
#include "host/host_identity.h"
#include "ui/busy.h"
#include "ui/label_timer.h"
#include "ui/widget_style.h"

namespace kesta {

namespace {

constexpr guint kBarTimerSeconds = 60;

GtkWidget* bar_label(const char* text) {
  GtkWidget* label = gtk_label_new(text);
  set_text_colour(label, kBarGrey);
  return label;
}

GCharPtr address_text() {
  GCharPtr address = get_local_ip();
  return GCharPtr(g_strdup_printf(_("本地地址：%s"), address.get()));
}

}  // namespace

gboolean refresh_address_label(gpointer label) noexcept {
  gtk_label_set_text(GTK_LABEL(label), address_text().get());
  return G_SOURCE_CONTINUE;
}

gboolean update_clock_label(gpointer label) noexcept {
  const std::time_t now = std::time(nullptr);
  struct tm local;
  char text[64] = {};
  if (localtime_r(&now, &local)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
  gtk_label_set_text(GTK_LABEL(label), text);
  return G_SOURCE_CONTINUE;
}

GtkWidget* build_status_bar(GtkWidget* window, bool refresh_address) {
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
  GCharPtr host = get_host_name(translated);
  GCharPtr host_text(g_strdup_printf(_("客户端名称：%s"), host.get()));
  GtkWidget* host_label = bar_label(host_text.get());
  gtk_widget_set_halign(host_label, GTK_ALIGN_START);
  // A host name may be 64 characters long: on a 1024-pixel screen it is cut
  // rather than pushing the clock off the edge.
  gtk_label_set_ellipsize(GTK_LABEL(host_label), PANGO_ELLIPSIZE_END);
  pack_start(left, host_label);
  pack_start(left, bar_label(" | "));
  GtkWidget* address_label = bar_label(address_text().get());
  gtk_widget_set_halign(address_label, GTK_ALIGN_START);
  pack_start(left, address_label);
  pack_start(row, left);

  GtkWidget* middle = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_widget_set_hexpand(middle, TRUE);
  pack_start(middle, build_busy_indicator(window, kBarGrey));
  GCharPtr version(g_strdup_printf(_("青柚KESTA 版本：%s"), KESTA_VERSION));
  GtkWidget* version_label = bar_label(version.get());
  gtk_widget_set_halign(version_label, GTK_ALIGN_CENTER);
  pack_start(middle, version_label, true);
  pack_start(row, middle, true);

  GtkWidget* right = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0);
  gtk_widget_set_halign(right, GTK_ALIGN_END);
  gtk_widget_set_size_request(right, 300, -1);
  GtkWidget* clock = bar_label("");
  gtk_widget_set_halign(clock, GTK_ALIGN_END);
  gtk_widget_set_margin_end(clock, 20);
  gtk_box_pack_end(GTK_BOX(right), clock, FALSE, FALSE, 0);
  pack_start(row, right);

  pack_start(bar, row);
  if (refresh_address) attach_label_timer(address_label, kBarTimerSeconds, refresh_address_label, false);
  attach_label_timer(clock, kBarTimerSeconds, update_clock_label, true);
  return bar;
}

}  // namespace kesta

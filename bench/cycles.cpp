// Memory over a working day: signs in and out ("注销") again and again, then
// refreshes the VM list again and again, with the real login and desktop
// windows against the stand-in service in a thread of this process, and
// prints the resident memory after the 20th and the last cycle of each.
//
//   cycles [count]   count cycles of each kind (default 200; at least 21)
//
// Under valgrind's memcheck (see bench/valgrind.supp) a small count is
// enough to tell what leaks per cycle from what GTK keeps once.

#include <gtk/gtk.h>
#include <glib/gstdio.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "api/http.h"
#include "base/config.h"
#include "base/fixed_text.h"
#include "desktop/main_window_data.h"
#include "host/status_channel.h"
#include "login/login_keys.h"
#include "login/login_window.h"
#include "resident.h"
#include "stand_in.h"
#include "ui/style.h"

namespace {

constexpr int kFirstMeasure = 20;

using kesta::bench::resident_kib;

void discard(const char*) noexcept {}

// Lets GTK finish what the last action started (requests, drawing,
// freeing).
void settle() {
  while (kesta::requests_in_flight() > 0) g_main_context_iteration(nullptr, TRUE);
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

GtkWidget* find_button(GtkWidget* root, const char* label) {
  if (GTK_IS_BUTTON(root)) {
    const char* text = gtk_button_get_label(GTK_BUTTON(root));
    if (text && std::string(text) == label) return root;
  }
  if (!GTK_IS_CONTAINER(root)) return nullptr;
  GtkWidget* found = nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(root));
  for (GList* c = children; c && !found; c = c->next) found = find_button(GTK_WIDGET(c->data), label);
  g_list_free(children);
  return found;
}

kesta::MainWindowData* record(GtkWidget* login) {
  return static_cast<kesta::MainWindowData*>(g_object_get_data(G_OBJECT(login), kesta::keys::kMainWindow));
}

bool sign_in(GtkWidget* login) {
  GObject* w = G_OBJECT(login);
  gtk_entry_set_text(GTK_ENTRY(g_object_get_data(w, kesta::keys::kUsernameEntry)), "alice");
  gtk_entry_set_text(GTK_ENTRY(g_object_get_data(w, kesta::keys::kPasswordEntry)), "secret");
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(g_object_get_data(w, kesta::keys::kSaveCheck)), FALSE);
  gtk_button_clicked(GTK_BUTTON(find_button(login, "登录")));
  settle();
  kesta::MainWindowData* data = record(login);
  return data && gtk_widget_get_visible(data->window);
}

void report(const char* what, long at_first, long at_last, int count) {
  std::printf("%s: %ld KiB after cycle %d, %ld KiB after cycle %d, difference %+ld KiB\n", what, at_first,
              kFirstMeasure, at_last, count, at_last - at_first);
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 200;
  if (count <= kFirstMeasure) {
    std::fprintf(stderr, "usage: %s [count > %d]\n", argv[0], kFirstMeasure);
    return 2;
  }
  // A home of its own: nothing here may touch the user's settings.
  const kesta::GCharPtr home(g_dir_make_tmp("kesta-cycles-XXXXXX", nullptr));
  g_setenv("HOME", home.get(), TRUE);
  gtk_init(&argc, &argv);
  g_set_print_handler(discard);

  kesta::test::StandIn service;
  service.service().add_account("alice", "secret", "token-alice");
  std::vector<kesta::test::Vm> vms;
  for (int i = 0; i < 9; ++i)
    vms.push_back({"vm-" + std::to_string(i), "桌面" + std::to_string(i), i % 2 ? "running" : "stopped", "研发池",
                   "spice", false});
  service.service().set_vms(vms);

  kesta::apply_config_defaults(kesta::app_config);
  kesta::copy_fixed(kesta::app_config.server_address, service.url());
  kesta::install_style_sheet();
  GtkWidget* login = kesta::build_login_window();
  settle();

  long first = 0;
  for (int i = 1; i <= count; ++i) {
    if (!sign_in(login)) {
      std::fprintf(stderr, "sign-in %d failed\n", i);
      return 1;
    }
    gtk_button_clicked(GTK_BUTTON(find_button(record(login)->window, "注销")));
    settle();
    if (i == kFirstMeasure) first = resident_kib();
  }
  report("sign-in and 注销", first, resident_kib(), count);

  if (!sign_in(login)) return 1;
  GtkWidget* refresh = find_button(record(login)->window, "刷新");
  for (int i = 1; i <= count; ++i) {
    gtk_button_clicked(GTK_BUTTON(refresh));
    settle();
    if (i == kFirstMeasure) first = resident_kib();
  }
  report("refresh", first, resident_kib(), count);

  // Everything torn down, so that memcheck sees what is left.
  kesta::status_channel_stop();
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w; w = w->next) g_object_ref(w->data);
  for (GList* w = windows; w; w = w->next) {
    g_signal_handlers_disconnect_by_func(w->data, reinterpret_cast<gpointer>(gtk_main_quit), nullptr);
    gtk_widget_destroy(GTK_WIDGET(w->data));
  }
  g_list_free_full(windows, g_object_unref);
  settle();
  g_rmdir(home.get());
  return 0;
}

// Start-up cost of the client: time from process start to the first frame of
// the login window, and resident memory then, against two baselines: a bare
// GTK window that shows the same background picture full screen, and the
// same window with the bare form the login window is (its Chinese texts, two
// entries, a ticked check box and a button).  All start GTK as the client
// does (init_toolkit) and run as fresh processes of this program, in turn,
// in the same run; the ratios are printed.  Under xvfb-run each process is
// the X server's only client, as the client is at a kiosk's start.
//
//   startup [runs]        measure (default 15 runs of each)
//   startup --client      the client's real start-up, exits at its first frame
//   startup --form        the bare form, exits at its first frame
//   startup --bare        the bare window, exits at its first frame

#include <gtk/gtk.h>
#include <glib/gstdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/client.h"
#include "base/ptr.h"
#include "resident.h"
#include "ui/fullscreen.h"
#include "ui/toolkit.h"

namespace {

using kesta::bench::resident_kib;

void report_and_exit(GdkFrameClock*, gpointer) noexcept {
  std::printf("frame %ld\n", resident_kib());
  std::fflush(stdout);
  _exit(0);
}

// Every top-level window reports its first painted frame.
gboolean on_realize(GSignalInvocationHint*, guint, const GValue* values, gpointer) noexcept {
  auto* widget = GTK_WIDGET(g_value_get_object(&values[0]));
  if (GTK_IS_WINDOW(widget) && gtk_widget_is_toplevel(widget))
    g_signal_connect(gdk_window_get_frame_clock(gtk_widget_get_window(widget)), "after-paint",
                     G_CALLBACK(report_and_exit), nullptr);
  return TRUE;
}

void watch_first_frame() {
  g_signal_add_emission_hook(g_signal_lookup("realize", GTK_TYPE_WIDGET), 0, on_realize, nullptr, nullptr);
}

// A full-screen window with the login window's background.
GtkWidget* bare_window(int argc, char** argv) {
  kesta::init_toolkit(&argc, &argv);
  watch_first_frame();
  auto css = kesta::take_ref(gtk_css_provider_new());
  gtk_css_provider_load_from_data(
      css.get(),
      "window { background-color: #2c3e50; "
      "background-image: url('resource:///org/kesta/client/res/background.png'); "
      "background-repeat: no-repeat; background-position: center; background-size: cover; }",
      -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css.get()),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 960, 600);
  kesta::make_fullscreen(GTK_WINDOW(window));
  return window;
}

int run_bare(int argc, char** argv) {
  gtk_widget_show_all(bare_window(argc, argv));
  gtk_main();
  return 0;
}

// What any login form costs: the texts, the entries, the check box and the
// button, centred, with the toolkit's own look.
int run_form(int argc, char** argv) {
  GtkWidget* window = bare_window(argc, argv);
  GtkWidget* form = gtk_box_new(GTK_ORIENTATION_VERTICAL, 5);
  gtk_widget_set_halign(form, GTK_ALIGN_CENTER);
  gtk_widget_set_valign(form, GTK_ALIGN_CENTER);
  gtk_container_add(GTK_CONTAINER(window), form);
  gtk_box_pack_start(GTK_BOX(form), gtk_label_new("欢迎使用云桌面!"), FALSE, FALSE, 0);
  GtkWidget* username = gtk_entry_new();
  gtk_entry_set_placeholder_text(GTK_ENTRY(username), "用户名");
  gtk_box_pack_start(GTK_BOX(form), username, FALSE, FALSE, 0);
  GtkWidget* password = gtk_entry_new();
  gtk_entry_set_placeholder_text(GTK_ENTRY(password), "密码");
  gtk_entry_set_visibility(GTK_ENTRY(password), FALSE);
  gtk_box_pack_start(GTK_BOX(form), password, FALSE, FALSE, 0);
  GtkWidget* save = gtk_check_button_new_with_label("自动登录");
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(save), TRUE);
  gtk_box_pack_start(GTK_BOX(form), save, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(form), gtk_button_new_with_label("登录"), FALSE, FALSE, 0);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}

struct Sample {
  double ms;
  long kib;
};

// Starts this program in the given mode and waits for its first frame.
Sample measure(const char* self, const char* mode) {
  char* argv[] = {const_cast<char*>(self), const_cast<char*>(mode), nullptr};
  GPid pid = 0;
  int out = -1;
  const gint64 start = g_get_monotonic_time();
  if (!g_spawn_async_with_pipes(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, &pid,
                                nullptr, &out, nullptr, nullptr)) {
    std::fprintf(stderr, "cannot start %s %s\n", self, mode);
    std::exit(1);
  }
  std::string text;
  char buffer[256];
  ssize_t n;
  // The client prints its own lines first.
  auto frame_line = [&] {
    const auto at = text.find("frame ");
    return at != std::string::npos && text.find('\n', at) != std::string::npos;
  };
  while (!frame_line() && (n = read(out, buffer, sizeof buffer)) > 0)
    text.append(buffer, static_cast<std::size_t>(n));
  const gint64 end = g_get_monotonic_time();
  close(out);
  int status = 0;
  waitpid(pid, &status, 0);
  g_spawn_close_pid(pid);
  long kib = -1;
  const auto at = text.find("frame ");
  if (at == std::string::npos || std::sscanf(text.c_str() + at, "frame %ld", &kib) != 1) {
    std::fprintf(stderr, "%s %s did not report a frame: %s\n", self, mode, text.c_str());
    std::exit(1);
  }
  return {static_cast<double>(end - start) / 1000.0, kib};
}

template <typename T>
T median(std::vector<T> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Series {
  const char* mode;
  std::vector<double> ms;
  std::vector<long> kib;
};

int run_driver(const char* self, int runs) {
  // A fresh home without configuration: the client starts on its defaults.
  kesta::GCharPtr home(g_dir_make_tmp("kesta-bench-XXXXXX", nullptr));
  g_setenv("HOME", home.get(), TRUE);
  Series series[] = {{"--client", {}, {}}, {"--form", {}, {}}, {"--bare", {}, {}}};
  for (const Series& s : series) measure(self, s.mode);  // warm the file cache once
  for (int i = 0; i < runs; ++i) {
    for (Series& s : series) {
      const Sample sample = measure(self, s.mode);
      s.ms.push_back(sample.ms);
      s.kib.push_back(sample.kib);
    }
  }
  g_rmdir(home.get());
  const double cm = median(series[0].ms), fm = median(series[1].ms), bm = median(series[2].ms);
  const long ck = median(series[0].kib), fk = median(series[1].kib), bk = median(series[2].kib);
  std::printf("runs: %d of each (medians)\n", runs);
  std::printf("bare window:  first frame %.1f ms, resident %.1f MiB\n", bm, bk / 1024.0);
  std::printf("bare form:    first frame %.1f ms, resident %.1f MiB\n", fm, fk / 1024.0);
  std::printf("login window: first frame %.1f ms, resident %.1f MiB\n", cm, ck / 1024.0);
  std::printf("against the bare window: time ratio %.2fx, memory +%.1f MiB\n", cm / bm, (ck - bk) / 1024.0);
  std::printf(
      "against the bare form:   time ratio %.2fx (target at most 1.10x), memory +%.1f MiB (target at most 8 MiB)\n",
      cm / fm, (ck - fk) / 1024.0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "--client") {
    kesta::init_toolkit(&argc, &argv);
    watch_first_frame();
    char* client_argv[] = {argv[0], nullptr};
    return kesta::run_client(1, client_argv);
  }
  if (mode == "--form") return run_form(argc, argv);
  if (mode == "--bare") return run_bare(argc, argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  return run_driver(argv[0], runs);
}

// The windows fit every terminal screen, 1024x768 to 4K at GDK_SCALE 2, in
// Chinese and in English, every text readable against what lies behind it,
// and the keyboard drives them.  Each screen is an X server of its own,
// started here, with this program run again on it as a child: GTK reads
// GDK_SCALE when it opens the display, gettext LANGUAGE when it starts.
#include <gio/gio.h>
#include <glib-unix.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/i18n.h"
#include "base/ptr.h"
#include "desktop/card_layout.h"
#include "login/login_keys.h"
#include "login/power_dialogs.h"
#include "login/register_dialog.h"
#include "login/settings_dialog.h"
#include "support/client_fixture.h"
#include "support/login_screen_support.h"
#include "support/print_capture.h"
#include "support/spin.h"
#include "support/temp_home.h"
#include "support/widget_find.h"
#include "ui/dialog.h"
#include "ui/style.h"

// Last: Xlib defines macros such as None and Bool.
#include <X11/extensions/Xrandr.h>
#include <gdk/gdkx.h>

namespace kesta {
namespace {

using namespace std::chrono_literals;

TEST(CardLayout, FourInALineWhereTheyFitElseTwoLinesOfTwo) {
  struct Row {
    int work_width;
    CardLayout expected;
  };
  const CardLayout four{4, 934, 250};
  const CardLayout two{2, 672, 432};
  for (const Row& row : {Row{3840, four}, Row{1920, four}, Row{1440, four}, Row{1400, four}, Row{1384, four},
                         Row{1383, two}, Row{1366, two}, Row{1280, two}, Row{1024, two}})
    EXPECT_EQ(card_layout(row.work_width), row.expected) << row.work_width;
}

// --- In the child, on the screen under test ---------------------------------

// Set for the child: the cards a line of the desktop window should hold.
constexpr char kPerLineVariable[] = "KESTA_FIT_PER_LINE";
// What the screen changes to while signed in: 1280x800, two cards a line.
constexpr int kShrunkWidth = 1280;
constexpr int kShrunkHeight = 800;

GdkRectangle monitor_area(GtkWidget* window) {
  GdkRectangle area;
  gdk_monitor_get_geometry(
      gdk_display_get_monitor_at_window(gtk_widget_get_display(window), gtk_widget_get_window(window)), &area);
  return area;
}

// Collects the shown widgets of a window that are not wholly on a screen
// area, by type and the first 30 characters of their text.
struct OutsideSearch {
  GtkWidget* top;
  GdkRectangle screen;
  std::vector<std::string> found;

  static void visit(GtkWidget* widget, gpointer self) noexcept {
    auto* search = static_cast<OutsideSearch*>(self);
    if (!gtk_widget_get_mapped(widget)) return;
    GtkAllocation a;
    gtk_widget_get_allocation(widget, &a);
    int origin_x = 0;
    int origin_y = 0;
    gdk_window_get_origin(gtk_widget_get_window(search->top), &origin_x, &origin_y);
    gtk_widget_translate_coordinates(widget, search->top, origin_x, origin_y, &a.x, &a.y);
    GdkRectangle on_screen;
    if (!gdk_rectangle_intersect(&a, &search->screen, &on_screen) || !gdk_rectangle_equal(&a, &on_screen)) {
      std::string name = G_OBJECT_TYPE_NAME(widget);
      if (GTK_IS_LABEL(widget)) {
        const char* label = gtk_label_get_text(GTK_LABEL(widget));
        const GCharPtr text(g_utf8_substring(label, 0, std::min(30L, g_utf8_strlen(label, -1))));
        name = name + " \"" + text.get() + "\"";
      }
      search->found.push_back(name + " at " + std::to_string(a.x) + "," + std::to_string(a.y) + " " +
                              std::to_string(a.width) + "x" + std::to_string(a.height));
    }
    // What scrolls need only show its window; the card area never scrolls.
    GtkPolicyType across = GTK_POLICY_NEVER;
    GtkPolicyType down = GTK_POLICY_NEVER;
    if (GTK_IS_SCROLLED_WINDOW(widget)) gtk_scrolled_window_get_policy(GTK_SCROLLED_WINDOW(widget), &across, &down);
    if (GTK_IS_CONTAINER(widget) && across == GTK_POLICY_NEVER && down == GTK_POLICY_NEVER)
      gtk_container_forall(GTK_CONTAINER(widget), visit, self);
  }
};

// Every shown widget of the window that is not wholly on its monitor.
std::vector<std::string> outside_monitor(GtkWidget* window) {
  OutsideSearch search{window, monitor_area(window), {}};
  OutsideSearch::visit(window, &search);
  return search.found;
}

// WCAG's relative luminance of a pixel's colour.
double luminance(const guchar* pixel) {
  double sum = 0;
  for (int c = 0; c < 3; ++c) {
    const double v = pixel[c] / 255.0;
    sum += std::array{0.2126, 0.7152, 0.0722}[c] * (v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
  }
  return sum;
}

// The contrast of a text on the screen: between the colour most of its
// rectangle has (what lies behind it) and the one that differs most from
// that (the glyphs' solid strokes).
double contrast(GdkPixbuf* shot, const GdkRectangle& area) {
  const int channels = gdk_pixbuf_get_n_channels(shot);
  const int stride = gdk_pixbuf_get_rowstride(shot);
  const guchar* pixels = gdk_pixbuf_get_pixels(shot);
  std::map<guint32, int> counts;
  for (int y = std::max(area.y, 0); y < std::min(area.y + area.height, gdk_pixbuf_get_height(shot)); ++y)
    for (int x = std::max(area.x, 0); x < std::min(area.x + area.width, gdk_pixbuf_get_width(shot)); ++x) {
      const guchar* p = pixels + y * stride + x * channels;
      ++counts[p[0] << 16 | p[1] << 8 | p[2]];
    }
  if (counts.empty()) return 21;
  auto back = std::ranges::max_element(counts, {}, [](const auto& entry) { return entry.second; })->first;
  auto of = [](guint32 c) {
    const guchar rgb[3] = {guchar(c >> 16), guchar(c >> 8), guchar(c)};
    return luminance(rgb);
  };
  double best = 1;
  for (const auto& [colour, count] : counts) {
    const double a = of(colour);
    const double b = of(back);
    best = std::max(best, (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05));
  }
  return best;
}

// The texts of a window or dialog, as drawn on the X server, with less than
// WCAG AA's 4.5:1 against their background; inactive controls are exempt.
std::vector<std::string> hard_to_read(GtkWidget* top) {
  // A frame painted whole, and on the server.
  GdkWindow* window = gtk_widget_get_window(top);
  GdkFrameClock* clock = gdk_window_get_frame_clock(window);
  bool painted = false;
  const gulong handler = g_signal_connect(
      clock, "after-paint",
      G_CALLBACK(+[](GdkFrameClock*, gpointer flag) noexcept { *static_cast<bool*>(flag) = true; }), &painted);
  gtk_widget_queue_draw(top);
  EXPECT_TRUE(test::spin_until([&] { return painted; }, 30s));
  g_signal_handler_disconnect(clock, handler);
  gdk_display_sync(gtk_widget_get_display(top));
  const int scale = gtk_widget_get_scale_factor(top);
  const RefPtr<GdkPixbuf> shot =
      take_ref(gdk_pixbuf_get_from_window(window, 0, 0, gdk_window_get_width(window), gdk_window_get_height(window)));
  std::vector<std::string> found;
  test::find_widget(top, [&](GtkWidget* widget) {
    if (!GTK_IS_LABEL(widget) || !gtk_widget_is_drawable(widget) || !gtk_widget_is_sensitive(widget) ||
        !*gtk_label_get_text(GTK_LABEL(widget)))
      return false;
    GdkRectangle area{0, 0, gtk_widget_get_allocated_width(widget), gtk_widget_get_allocated_height(widget)};
    gtk_widget_translate_coordinates(widget, top, 0, 0, &area.x, &area.y);
    area = {area.x * scale, area.y * scale, area.width * scale, area.height * scale};
    if (const double ratio = contrast(shot.get(), area); ratio < 4.5)
      found.push_back(std::string(gtk_label_get_text(GTK_LABEL(widget))).substr(0, 40) + ": " + std::to_string(ratio));
    return false;
  });
  return found;
}

// Shown, and laid out at the size of its X window.
bool settled(GtkWidget* window) {
  GdkWindow* shown = gtk_widget_get_mapped(window) ? gtk_widget_get_window(window) : nullptr;
  return shown && gtk_widget_get_allocated_width(window) == gdk_window_get_width(shown) &&
         gtk_widget_get_allocated_height(window) == gdk_window_get_height(shown);
}

// Full screen and laid out over the whole monitor.
bool covers_monitor(GtkWidget* window) {
  if (!settled(window)) return false;
  const GdkRectangle area = monitor_area(window);
  return gtk_widget_get_allocated_width(window) == area.width &&
         gtk_widget_get_allocated_height(window) == area.height;
}

// The dialog's middle is the monitor's, give or take a pixel.
bool centred(GtkWidget* dialog) {
  const GdkRectangle area = monitor_area(dialog);
  int x = 0;
  int y = 0;
  gdk_window_get_origin(gtk_widget_get_window(dialog), &x, &y);
  const int dx = 2 * x + gtk_widget_get_allocated_width(dialog) - (2 * area.x + area.width);
  const int dy = 2 * y + gtk_widget_get_allocated_height(dialog) - (2 * area.y + area.height);
  return std::abs(dx) <= 2 && std::abs(dy) <= 2;
}

// Sets the X screen, and so its one monitor, to width x height device
// pixels, as xrandr does for a screen set to another resolution.
void set_screen_size(GtkWidget* window, int width, int height) {
  Display* display = GDK_DISPLAY_XDISPLAY(gtk_widget_get_display(window));
  const Window root = DefaultRootWindow(display);
  const std::unique_ptr<XRRScreenResources, FnDeleter<XRRScreenResources, XRRFreeScreenResources>> resources(
      XRRGetScreenResources(display, root));
  ASSERT_TRUE(resources && resources->ncrtc > 0 && resources->noutput > 0);
  std::string name = std::to_string(width) + "x" + std::to_string(height);
  XRRModeInfo info{};
  info.width = width;
  info.height = height;
  info.name = name.data();
  info.nameLength = name.size();
  const RRMode mode = XRRCreateMode(display, root, &info);
  XRRAddOutputMode(display, resources->outputs[0], mode);
  XGrabServer(display);
  XRRSetCrtcConfig(display, resources.get(), resources->crtcs[0], CurrentTime, 0, 0, None, RR_Rotate_0, nullptr,
                   0);
  XRRSetScreenSize(display, root, width, height, width / 4, height / 4);
  XRRSetCrtcConfig(display, resources.get(), resources->crtcs[0], CurrentTime, 0, 0, mode, RR_Rotate_0,
                   resources->outputs, 1);
  XUngrabServer(display);
  XSync(display, False);
}

class OnScreen : public test::ClientFixture {
 protected:
  void SetUp() override {
    if (!g_getenv(kPerLineVariable)) GTEST_SKIP() << "runs on a screen of its own, started by ScreenFit";
    ClientFixture::SetUp();
    // Looked at as the program shows it.
    install_style_sheet();
    // A long VM name must not widen the cards.
    std::vector<test::Vm> vms{test::vm("vm1", "running", "财务部共享桌面-" + std::string(60, 'N'))};
    for (const char* id : {"vm2", "vm3", "vm4", "vm5"}) vms.push_back(test::vm(id, "running"));
    service_->service().set_vms(vms);
    // Nor a long domain the registration dialog.
    service_->service().set_domains({"corp.example.org", "研发中心." + std::string(100, 'd') + ".example.org"});
    build_login();
  }

  // The window covers its monitor, every shown widget lies on it, and
  // every text is readable.
  void expect_fits(GtkWidget* window, const char* what) {
    EXPECT_TRUE(test::spin_until([&] { return covers_monitor(window); }, 30s)) << what << " is not full screen";
    const std::vector<std::string> outside = outside_monitor(window);
    EXPECT_TRUE(outside.empty()) << what << ": " << testing::PrintToString(outside);
    const std::vector<std::string> faint = hard_to_read(window);
    EXPECT_TRUE(faint.empty()) << what << " has faint texts: " << testing::PrintToString(faint);
  }

  void expect_cards_fit(int per_line) {
    GtkFlowBox* flow = GTK_FLOW_BOX(record()->flow_box);
    EXPECT_EQ(gtk_flow_box_get_min_children_per_line(flow), static_cast<guint>(per_line));
    EXPECT_EQ(gtk_flow_box_get_max_children_per_line(flow), static_cast<guint>(per_line));
    ASSERT_EQ(cards().size(), 4u);
    EXPECT_TRUE(test::spin_until([&] {
      return std::ranges::all_of(cards(), [](GtkWidget* card) {
        return gtk_widget_get_mapped(card) && gtk_widget_get_allocated_width(card) >= kCardWidth;
      });
    }, 30s)) << "cards not laid out";
    expect_fits(record()->window, "the desktop window");
  }
};

TEST_F(OnScreen, LoginDialogsAndDesktopFitAndLogoutClicks) {
  expect_fits(login_, "the login window");
  // The child's language: a few of the texts, translated or not.
  const bool english = g_strcmp0(g_getenv("LANGUAGE"), "en") == 0;
  EXPECT_TRUE(test::find_label(login_, english ? "Welcome to your cloud desktop!" : "欢迎使用云桌面!"));
  EXPECT_TRUE(test::find_button(login_, english ? "Sign in" : "登录"));

  const std::string long_text = std::string(300, 'w') + " " + std::string(100, 'x') + "，服务暂时不可用。" +
                                std::string(1200, 'y');
  int inspected = 0;
  dialogs_->inspect_with([&](GtkDialog* dialog) {
    GtkWidget* widget = GTK_WIDGET(dialog);
    const char* title = gtk_window_get_title(GTK_WINDOW(dialog));
    EXPECT_TRUE(test::spin_until([&] { return settled(widget) && centred(widget); }, 30s))
        << title << " is not centred";
    const std::vector<std::string> outside = outside_monitor(widget);
    EXPECT_TRUE(outside.empty()) << title << ": " << testing::PrintToString(outside);
    const std::vector<std::string> faint = hard_to_read(widget);
    EXPECT_TRUE(faint.empty()) << title << " has faint texts: " << testing::PrintToString(faint);
    ++inspected;
  });
  show_message_dialog(GTK_WINDOW(login_), "登录失败", long_text.c_str());
  dialogs_->queue_response(GTK_RESPONSE_NO);
  confirm_shutdown(nullptr, login_);
  dialogs_->queue_response(GTK_RESPONSE_CANCEL);
  show_settings_dialog(login_);
  dialogs_->queue_response(GTK_RESPONSE_CANCEL);
  show_register_dialog(login_);
  EXPECT_EQ(inspected, 4);
  dialogs_->inspect_with(nullptr);

  test::capture_prints();
  sign_in();
  test::captured_prints();
  ASSERT_NE(record(), nullptr);
  expect_cards_fit(std::atoi(g_getenv(kPerLineVariable)));

  EXPECT_TRUE(test::find_button(record()->window, english ? "Sign out" : "注销"));
  test::click(test::find_button(record()->window, _("注销")), GDK_BUTTON_PRIMARY);
  EXPECT_TRUE(test::spin_until([&] { return gtk_widget_get_mapped(login_); }, 30s)) << "no login window";
  EXPECT_FALSE(gtk_widget_get_visible(record()->window));
}

TEST_F(OnScreen, ScreenChangeLaysOutAgain) {
  test::capture_prints();
  sign_in();
  test::captured_prints();
  ASSERT_NE(record(), nullptr);
  expect_cards_fit(std::atoi(g_getenv(kPerLineVariable)));
  set_screen_size(record()->window, kShrunkWidth, kShrunkHeight);
  EXPECT_TRUE(test::spin_until([&] { return monitor_area(record()->window).width == kShrunkWidth; }, 30s));
  expect_cards_fit(2);
  gtk_button_clicked(GTK_BUTTON(test::find_button(record()->window, "注销")));
  expect_fits(login_, "the login window, hidden during the change");
}

// What a screen reader calls the widget that has the keyboard.
std::string focus_name(GtkWidget* window, bool description = false) {
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
  AtkObject* accessible = focus ? gtk_widget_get_accessible(focus) : nullptr;
  const char* text = !accessible   ? nullptr
                     : description ? atk_object_get_description(accessible)
                                   : atk_object_get_name(accessible);
  return text ? text : "";
}

TEST_F(OnScreen, KeyboardDrivesTheFormsAndTheCards) {
  // Escape answers each dialog as its cancel button.
  struct Dialog {
    std::function<void()> open;
    int cancel;
  };
  for (const Dialog& row : {Dialog{[&] { show_settings_dialog(login_); }, GTK_RESPONSE_CANCEL},
                            Dialog{[&] { show_register_dialog(login_); }, GTK_RESPONSE_CANCEL},
                            Dialog{[&] { confirm_shutdown(nullptr, login_); }, GTK_RESPONSE_NO}}) {
    int answered = GTK_RESPONSE_NONE;
    dialogs_->inspect_with([&](GtkDialog* dialog) {
      g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkDialog*, int response, gpointer first) noexcept {
                         if (*static_cast<int*>(first) == GTK_RESPONSE_NONE) *static_cast<int*>(first) = response;
                       }),
                       &answered);
      test::press_key(GTK_WIDGET(dialog), GDK_KEY_Escape);
    });
    row.open();
    EXPECT_EQ(answered, row.cancel);
  }
  dialogs_->inspect_with(nullptr);

  // The user name first, then Tab in reading order.
  EXPECT_EQ(focus_name(login_), "用户名");
  std::vector<std::string> reached;
  for (int i = 0; i < 7; ++i) {
    test::press_key(login_, GDK_KEY_Tab);
    reached.push_back(focus_name(login_));
  }
  EXPECT_EQ(reached, (std::vector<std::string>{"密码", "自动登录", "登录", "注册账号", "设置", "重启", "关机"}));

  // Enter in the password entry signs in.
  service_->service().set_vms({test::vm("vm1", "running", "办公桌面"), test::vm("vm2", "stopped", "设计桌面")});
  gtk_entry_set_text(GTK_ENTRY(test::named(login_, keys::kUsernameEntry)), "alice");
  gtk_entry_set_text(GTK_ENTRY(test::named(login_, keys::kPasswordEntry)), "secret");
  gtk_widget_grab_focus(test::named(login_, keys::kPasswordEntry));
  test::press_key(login_, GDK_KEY_Return);
  ASSERT_TRUE(test::spin_until([&] { return record() && cards().size() == 2; }, 30s)) << "Enter did not sign in";

  // Tab reaches each card's buttons in reading order.
  GtkWidget* desktop = record()->window;
  reached.clear();
  GtkWidget* first_power = nullptr;
  for (int i = 0; i < 30 && reached.size() < 4; ++i) {
    test::press_key(desktop, GDK_KEY_Tab);
    const std::string described = focus_name(desktop, true);
    if (described.empty()) continue;
    if (reached.empty()) first_power = gtk_window_get_focus(GTK_WINDOW(desktop));
    reached.push_back(described);
  }
  EXPECT_EQ(reached,
            (std::vector<std::string>{"电源选项 办公桌面", "连接 办公桌面", "电源选项 设计桌面", "连接 设计桌面"}));

  // Space opens the power menu; the arrows and Enter choose from it.
  ASSERT_TRUE(first_power);
  gtk_widget_grab_focus(first_power);
  test::press_key(desktop, GDK_KEY_space);
  GtkWidget* menu = GTK_WIDGET(gtk_menu_button_get_popup(GTK_MENU_BUTTON(first_power)));
  ASSERT_TRUE(test::spin_until([&] { return gtk_widget_get_mapped(menu); }, 30s)) << "no power menu";
  test::press_key(menu, GDK_KEY_Down);
  test::press_key(menu, GDK_KEY_Return);
  EXPECT_TRUE(test::spin_until([&] { return !dialogs().empty() && dialogs().back().title == "成功"; }, 30s))
      << "no power request answered";
}

// --- In the parent: one X server and child per screen -----------------------

// An Xvfb on a display number of its own choosing.
class XServer {
 public:
  explicit XServer(const std::string& size) {
    int pipe[2];
    if (!g_unix_open_pipe(pipe, FD_CLOEXEC, nullptr)) return;
    auto launcher = take_ref(g_subprocess_launcher_new(G_SUBPROCESS_FLAGS_STDERR_SILENCE));
    g_subprocess_launcher_take_fd(launcher.get(), pipe[1], 3);
    const std::string screen = size + "x24";
    process_ = take_ref(g_subprocess_launcher_spawn(launcher.get(), nullptr, "Xvfb", "-displayfd", "3", "-screen",
                                                    "0", screen.c_str(), "-nolisten", "tcp", nullptr));
    launcher.reset();  // closes the write end here, so that a failed start reads as the end
    std::string number;
    pollfd ready{pipe[0], POLLIN, 0};
    char c = 0;
    while (process_ && poll(&ready, 1, 30000) == 1 && read(pipe[0], &c, 1) == 1 && c != '\n') number += c;
    close(pipe[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  // Asked to end, so that it removes its lock file and socket.
  ~XServer() {
    if (!process_) return;
    g_subprocess_send_signal(process_.get(), SIGTERM);
    test::spin_until([this] { return g_subprocess_get_identifier(process_.get()) == nullptr; });
  }
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  const std::string& display() const { return display_; }

 private:
  RefPtr<GSubprocess> process_;
  std::string display_;
};

struct Terminal {
  const char* size;           // of the X screen, in device pixels
  const char* scale;          // GDK_SCALE
  const char* per_line;       // cards in a line of the desktop window
  const char* language = "";  // LANGUAGE: the source texts when empty
};

void PrintTo(const Terminal& t, std::ostream* out) {
  *out << t.size << " at scale " << t.scale << (*t.language ? " in " : "") << t.language;
}

// Runs the child's test on a new X server of the given screen; the child's
// output is shown when it fails.
void run_on_screen(const Terminal& terminal, const char* test) {
  XServer server(terminal.size);
  ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
  const std::string directory = test::make_temp_dir();
  const std::string output = directory + "/output";
  auto launcher = take_ref(g_subprocess_launcher_new(G_SUBPROCESS_FLAGS_STDERR_MERGE));
  g_subprocess_launcher_set_stdout_file_path(launcher.get(), output.c_str());
  g_subprocess_launcher_setenv(launcher.get(), "DISPLAY", server.display().c_str(), TRUE);
  g_subprocess_launcher_setenv(launcher.get(), "GDK_SCALE", terminal.scale, TRUE);
  g_subprocess_launcher_setenv(launcher.get(), kPerLineVariable, terminal.per_line, TRUE);
  g_subprocess_launcher_setenv(launcher.get(), "LANGUAGE", terminal.language, TRUE);
  g_subprocess_launcher_unsetenv(launcher.get(), "WAYLAND_DISPLAY");
  const GCharPtr self(g_file_read_link("/proc/self/exe", nullptr));
  const std::string filter = std::string("--gtest_filter=OnScreen.") + test;
  auto child = take_ref(
      g_subprocess_launcher_spawn(launcher.get(), nullptr, self.get(), filter.c_str(), nullptr));
  ASSERT_TRUE(child);
  bool ended = false;
  g_subprocess_wait_async(child.get(), nullptr, [](GObject*, GAsyncResult*, gpointer flag) noexcept {
    *static_cast<bool*>(flag) = true;
  }, &ended);
  if (!test::spin_until([&] { return ended; }, 180s)) {
    g_subprocess_force_exit(child.get());
    test::spin_until([&] { return ended; });
    ADD_FAILURE() << "the child did not end";
  }
  EXPECT_TRUE(g_subprocess_get_if_exited(child.get()) && g_subprocess_get_exit_status(child.get()) == 0)
      << test::read_file(output);
  test::remove_file(output);
  g_rmdir(directory.c_str());
}

class ScreenFit : public testing::TestWithParam<Terminal> {};

TEST_P(ScreenFit, WindowsAndDialogsFit) { run_on_screen(GetParam(), "LoginDialogsAndDesktopFitAndLogoutClicks"); }

INSTANTIATE_TEST_SUITE_P(Terminals, ScreenFit,
                         testing::Values(Terminal{"1024x768", "1", "2"}, Terminal{"1280x800", "1", "2"},
                                         Terminal{"1366x768", "1", "2"}, Terminal{"1400x1050", "1", "4"},
                                         Terminal{"1920x1080", "1", "4"}, Terminal{"2560x1440", "2", "2"},
                                         Terminal{"1024x768", "1", "2", "en"}, Terminal{"1920x1080", "1", "4", "en"}),
                         [](const testing::TestParamInfo<Terminal>& info) {
                           return std::string(info.param.size) + "_scale" + info.param.scale +
                                  (*info.param.language ? "_" : "") + info.param.language;
                         });

TEST(Keyboard, DrivesTheFormsAndTheCards) {
  run_on_screen(Terminal{"1280x800", "1", "2"}, "KeyboardDrivesTheFormsAndTheCards");
}

TEST(ScreenChange, ShrunkScreenLaysTheWindowsOutAgain) {
  run_on_screen(Terminal{"1920x1080", "1", "4"}, "ScreenChangeLaysOutAgain");
}

}  // namespace
}  // namespace kesta

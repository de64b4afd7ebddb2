// Does the client keep answering while the service is slow?  For each delay,
// starts the client under an Xvfb of its own against the stand-in service
// with every reply that late, signs in with xdotool as a user would, and
// sends the window manager's "are you alive?" ping (_NET_WM_PING) every
// 20 ms from pressing "登录" until the sign-in's requests are over.  Prints
// the longest ping round trip (a main-loop stall; limit 100 ms) and the time
// from "登录" to the desktop window, beside the limit of delay + 1 s.
//
//   stall [delay-seconds...]   (default 0 1 3)

#include <X11/Xlib.h>
#include <glib-unix.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "api_paths.h"
#include "base/ptr.h"
#include "stand_in.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Xvfb on a display it chooses itself; the display number, or -1.
int start_xvfb(GPid* pid) {
  int pipe_fds[2];
  if (!g_unix_open_pipe(pipe_fds, 0, nullptr)) return -1;
  const std::string fd = std::to_string(pipe_fds[1]);
  std::vector<const char*> argv{"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1920x1080x24", "-nolisten",
                                "tcp", nullptr};
  const gboolean started =
      g_spawn_async(nullptr, const_cast<char**>(argv.data()), nullptr,
                    static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_LEAVE_DESCRIPTORS_OPEN |
                                             G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL),
                    nullptr, nullptr, pid, nullptr);
  close(pipe_fds[1]);
  char number[16] = {};
  const ssize_t got = started ? read(pipe_fds[0], number, sizeof number - 1) : -1;
  close(pipe_fds[0]);
  return got > 0 ? std::atoi(number) : -1;
}

std::string window_name(Display* display, Window window) {
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  std::string name;
  if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 256, False,
                         XInternAtom(display, "UTF8_STRING", False), &type, &format, &count, &after,
                         &data) == Success &&
      data)
    name.assign(reinterpret_cast<char*>(data), count);
  if (data) XFree(data);
  return name;
}

// A mapped top-level window with the given title, or 0.
Window find_window(Display* display, const std::string& title) {
  Window root_return, parent;
  Window* children = nullptr;
  unsigned count = 0;
  Window found = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root_return, &parent, &children, &count)) return 0;
  for (unsigned i = 0; i < count && !found; ++i) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable &&
        window_name(display, children[i]) == title)
      found = children[i];
  }
  if (children) XFree(children);
  return found;
}

// One _NET_WM_PING round trip to window, in milliseconds (waits as long as
// it takes).
double ping(Display* display, Window window, long serial) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "_NET_WM_PING", False));
  event.xclient.data.l[1] = serial;
  event.xclient.data.l[2] = static_cast<long>(window);
  const auto start = Clock::now();
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
  for (;;) {
    XEvent reply;
    XNextEvent(display, &reply);
    if (reply.type == ClientMessage && reply.xclient.data.l[1] == serial) return ms_since(start);
  }
}

void xdotool(const std::string& display_name, const std::vector<std::string>& args) {
  std::vector<const char*> argv{"xdotool"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  const std::string display = "DISPLAY=" + display_name;
  std::vector<const char*> env{display.c_str(), "PATH=/usr/bin:/bin", nullptr};
  g_spawn_sync(nullptr, const_cast<char**>(argv.data()), const_cast<char**>(env.data()), G_SPAWN_SEARCH_PATH,
               nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

struct Result {
  double longest_stall_ms = 0;
  double to_desktop_ms = -1;
};

Result measure(const char* client, int delay_seconds) {
  Result result;
  kesta::test::StandIn service;
  service.service().add_account("demo", "demo123", "token-demo");
  const std::chrono::milliseconds delay = std::chrono::seconds(delay_seconds);
  for (const char* path : {kesta::test::paths::kLogin, kesta::test::paths::kVmList})
    service.scripts().delay(path, delay);

  GPid xvfb = 0;
  const int number = start_xvfb(&xvfb);
  if (number < 0) {
    std::fprintf(stderr, "cannot start Xvfb\n");
    std::exit(1);
  }
  const std::string display_name = ":" + std::to_string(number);
  kesta::GCharPtr home(g_dir_make_tmp("kesta-stall-XXXXXX", nullptr));
  const std::string config = std::string(home.get()) + "/.kestaconfig2.json";
  const std::string text = "{\"server_address\" : \"" + service.url() + "\"}";
  g_file_set_contents(config.c_str(), text.c_str(), -1, nullptr);

  const std::string display_env = "DISPLAY=" + display_name;
  const std::string home_env = std::string("HOME=") + home.get();
  std::vector<const char*> env{display_env.c_str(), home_env.c_str(), "PATH=/usr/bin:/bin", nullptr};
  std::vector<const char*> argv{client, nullptr};
  GPid client_pid = 0;
  g_spawn_async(nullptr, const_cast<char**>(argv.data()), const_cast<char**>(env.data()),
                static_cast<GSpawnFlags>(G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL), nullptr, nullptr,
                &client_pid, nullptr);

  Display* display = XOpenDisplay(display_name.c_str());
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  Window login = 0;
  for (const auto start = Clock::now(); !login && ms_since(start) < 30000; g_usleep(50000))
    login = find_window(display, "KESTA 客户端");
  if (login) {
    xdotool(display_name, {"windowfocus", "--sync", std::to_string(login)});
    xdotool(display_name, {"type", "--delay", "20", "demo"});
    xdotool(display_name, {"key", "Tab"});
    xdotool(display_name, {"type", "--delay", "20", "demo123"});
    xdotool(display_name, {"key", "Tab", "Tab"});
    const auto pressed = Clock::now();
    xdotool(display_name, {"key", "space"});
    // The sign-in, the first list load and the channel's own sign-in: each
    // delayed once, a little after one another.
    const double watch_ms = 3.0 * 1000 * delay_seconds + 2000;
    Window target = login;
    long serial = 1;
    while (ms_since(pressed) < watch_ms) {
      if (result.to_desktop_ms < 0) {
        if (const Window desktop = find_window(display, "KESTA客户端")) {
          result.to_desktop_ms = ms_since(pressed);
          target = desktop;
        }
      }
      result.longest_stall_ms = std::max(result.longest_stall_ms, ping(display, target, serial++));
      g_usleep(20000);
    }
  }
  XCloseDisplay(display);
  kill(client_pid, SIGTERM);
  waitpid(client_pid, nullptr, 0);
  kill(xvfb, SIGTERM);
  waitpid(xvfb, nullptr, 0);
  g_remove(config.c_str());
  g_rmdir(home.get());
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> delays;
  for (int i = 1; i < argc; ++i) delays.push_back(std::atoi(argv[i]));
  if (delays.empty()) delays = {0, 1, 3};
  std::printf("delay  longest stall (limit 100 ms)  登录 to desktop (limit delay + 1000 ms)\n");
  for (const int delay : delays) {
    const Result r = measure(KESTA_CLIENT, delay);
    std::printf("%3d s  %8.1f ms                   %8.1f ms (limit %d ms)\n", delay, r.longest_stall_ms,
                r.to_desktop_ms, delay * 1000 + 1000);
  }
  return 0;
}

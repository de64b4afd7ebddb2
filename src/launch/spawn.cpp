#include "launch/spawn.h"

#include <glib-unix.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <map>
#include <memory>
#include <utility>

#include "base/fixed_text.h"
#include "base/i18n.h"
#include "base/ptr.h"
#include "host/line_budget.h"

namespace kesta {

namespace {

// A printed line keeps this much of what the viewer wrote; a longer one is
// cut there and its rest printed as the next.
constexpr std::size_t kMaxLine = 1000;
// A chatty viewer prints at most this many lines in any ten seconds; the
// rest are only counted, and the count is printed when it ends.
constexpr std::size_t kLinesPerPeriod = 100;
constexpr gint64 kPeriod = 10 * G_USEC_PER_SEC;

// Runs in the child before the program: a viewer that outlives the client
// writes into pipes nobody reads any more, and must not die of it.
void ignore_sigpipe(gpointer) noexcept { signal(SIGPIPE, SIG_IGN); }

// One running viewer: its two output pipes and its end.
class Watch {
 public:
  Watch(GPid pid, std::string_view name, int out_fd, int err_fd) : name_(name) {
    streams_[0].fd = UniqueFd(out_fd);
    streams_[1].fd = UniqueFd(err_fd);
    for (Stream& stream : streams_) {
      stream.owner = this;
      stream.from_stderr = &stream == &streams_[1];
      g_unix_set_fd_nonblocking(stream.fd.get(), TRUE, nullptr);
      stream.source = SourcePtr(g_unix_fd_source_new(stream.fd.get(), G_IO_IN), G_SOURCE_FUNC(on_readable), &stream);
    }
    child_ = SourcePtr(g_child_watch_source_new(pid), G_SOURCE_FUNC(on_child_end), this);
  }

  std::function<void(const ViewerEnd&)> on_end;

 private:
  struct Stream {
    Watch* owner = nullptr;
    bool from_stderr = false;
    UniqueFd fd;
    SourcePtr source;
    std::string pending;
  };

  // Reads what there is now; false at end of file or on an error.
  bool read_some(Stream& stream) {
    char buffer[4096];
    for (;;) {
      const ssize_t n = read(stream.fd.get(), buffer, sizeof buffer);
      if (n > 0) {
        stream.pending.append(buffer, static_cast<std::size_t>(n));
        take_lines(stream);
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      return n < 0 && errno == EAGAIN;
    }
  }

  void take_lines(Stream& stream) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t end = stream.pending.find('\n', start);
      if (end == std::string::npos) {
        if (stream.pending.size() - start < kMaxLine) break;
        line(stream, std::string_view(stream.pending).substr(start, kMaxLine));
        start += kMaxLine;
        continue;
      }
      line(stream, std::string_view(stream.pending).substr(start, end - start));
      start = end + 1;
    }
    stream.pending.erase(0, start);
  }

  void line(const Stream& stream, std::string_view text) {
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    const std::string shown = readable_text(text, kMaxLine);
    if (is_error_line(stream.from_stderr, text)) last_error_ = shown;
    if (budget_.take(g_get_monotonic_time()))
      g_print("%s: %s\n", name_.c_str(), shown.c_str());
    else
      ++unprinted_;
  }

  static gboolean on_readable(gint, GIOCondition, gpointer data) noexcept {
    auto* stream = static_cast<Stream*>(data);
    if (stream->owner->read_some(*stream)) return G_SOURCE_CONTINUE;
    stream->owner->flush(*stream);
    return G_SOURCE_REMOVE;
  }

  void flush(Stream& stream) {
    if (!stream.pending.empty()) line(stream, stream.pending);
    stream.pending.clear();
  }

  static void on_child_end(GPid pid, gint status, gpointer) noexcept;

  std::string name_;
  Stream streams_[2];
  SourcePtr child_;
  std::string last_error_;
  LineBudget budget_{kLinesPerPeriod, kPeriod};
  std::size_t unprinted_ = 0;
};

// The viewers running now, each watched until it ends.
std::map<GPid, std::unique_ptr<Watch>>& watches() {
  static std::map<GPid, std::unique_ptr<Watch>> running;
  return running;
}

void Watch::on_child_end(GPid pid, gint status, gpointer) noexcept {
  std::unique_ptr<Watch> watch = std::move(watches().extract(pid).mapped());
  // What it wrote last is in the pipes by now, unless a child of its own
  // holds them open; that is not waited for.
  for (Stream& stream : watch->streams_) {
    if (stream.source.id()) watch->read_some(stream);
    watch->flush(stream);
  }
  ViewerEnd end;
  end.name = watch->name_;
  end.exited = WIFEXITED(status);
  end.code = end.exited ? WEXITSTATUS(status) : WTERMSIG(status);
  end.last_error = std::move(watch->last_error_);
  const char* name = watch->name_.c_str();
  if (watch->unprinted_) g_print("%s: 另有 %zu 行输出未打印\n", name, watch->unprinted_);
  g_print(end.exited ? "%s已结束，退出状态: %d\n" : "%s已结束，信号: %d\n", name, end.code);
  g_spawn_close_pid(pid);
  // The handler may run a dialog: the watch is gone before it starts.
  std::function<void(const ViewerEnd&)> handler = std::move(watch->on_end);
  watch.reset();
  if (handler) handler(end);
}

}  // namespace

UniqueFd filled_pipe(std::string_view input, GError** error) {
  int fds[2];
  if (!g_unix_open_pipe(fds, FD_CLOEXEC, error)) return {};
  UniqueFd read_end(fds[0]);
  const UniqueFd write_end(fds[1]);
  // Never blocked on: a text larger than the pipe takes is refused at once.
  if (!g_unix_set_fd_nonblocking(write_end.get(), TRUE, error)) return {};
  ssize_t written;
  do {
    written = write(write_end.get(), input.data(), input.size());
  } while (written < 0 && errno == EINTR);
  if (written != static_cast<ssize_t>(input.size())) return {};
  return read_end;
}

GPid spawn_viewer(const std::vector<std::string>& argv, std::string_view name, GError** error,
                  std::string_view input) {
  UniqueFd standard_input;
  if (!input.empty()) {
    standard_input = filled_pipe(input, error);
    if (standard_input.get() < 0) {
      if (error && !*error) g_set_error_literal(error, G_SPAWN_ERROR, G_SPAWN_ERROR_FAILED, _("标准输入的内容过长"));
      return 0;
    }
  }
  return spawn_viewer(argv, name, standard_input, error);
}

GPid spawn_viewer(const std::vector<std::string>& argv, std::string_view name, const UniqueFd& standard_input,
                  GError** error) {
  if (argv.empty()) {
    g_set_error_literal(error, G_SPAWN_ERROR, G_SPAWN_ERROR_NOENT, _("命令行为空"));
    return 0;
  }
  std::vector<const char*> pointers;
  pointers.reserve(argv.size() + 1);
  for (const std::string& argument : argv) pointers.push_back(argument.c_str());
  pointers.push_back(nullptr);
  // The viewer stays our child, reaped by its watch.  Descriptors other than
  // 0-2 are closed in the child; without a pipe its stdin is /dev/null.
  GPid pid = 0;
  int out_fd = -1;
  int err_fd = -1;
  if (!g_spawn_async_with_pipes_and_fds(nullptr, pointers.data(), nullptr, G_SPAWN_DO_NOT_REAP_CHILD,
                                        ignore_sigpipe, nullptr, standard_input.get(), -1, -1, nullptr, nullptr, 0,
                                        &pid, nullptr, &out_fd, &err_fd, error))
    return 0;
  g_print("%.*s已启动，进程号: %d\n", static_cast<int>(name.size()), name.data(), pid);
  watches()[pid] = std::make_unique<Watch>(pid, name, out_fd, err_fd);
  return pid;
}

void when_viewer_ends(GPid pid, std::function<void(const ViewerEnd&)> handler) {
  const auto found = watches().find(pid);
  if (found != watches().end()) found->second->on_end = std::move(handler);
}

bool end_viewer(GPid pid) {
  if (!watches().count(pid)) return false;
  return kill(pid, SIGTERM) == 0;
}

}  // namespace kesta

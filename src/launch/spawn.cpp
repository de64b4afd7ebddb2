#include "launch/spawn.h"

#include <glib-unix.h>
#include <unistd.h>

#include <cerrno>

#include "base/ptr.h"

namespace kesta {

namespace {

// A pipe whose read end holds all of input, its write end already closed.
// The text is in before the program starts, so neither side ever waits for
// the other; a text larger than the pipe takes is refused, never blocked on.
bool filled_pipe(std::string_view input, UniqueFd& read_end, GError** error) {
  int fds[2];
  if (!g_unix_open_pipe(fds, FD_CLOEXEC, error)) return false;
  read_end = UniqueFd(fds[0]);
  const UniqueFd write_end(fds[1]);
  if (!g_unix_set_fd_nonblocking(write_end.get(), TRUE, error)) return false;
  ssize_t written;
  do {
    written = write(write_end.get(), input.data(), input.size());
  } while (written < 0 && errno == EINTR);
  if (written != static_cast<ssize_t>(input.size())) {
    g_set_error_literal(error, G_SPAWN_ERROR, G_SPAWN_ERROR_FAILED, "标准输入的内容过长");
    return false;
  }
  return true;
}

}  // namespace

bool spawn_detached(const std::vector<std::string>& argv, GError** error, std::string_view input) {
  if (argv.empty()) {
    g_set_error_literal(error, G_SPAWN_ERROR, G_SPAWN_ERROR_NOENT, "命令行为空");
    return false;
  }
  std::vector<const char*> pointers;
  pointers.reserve(argv.size() + 1);
  for (const std::string& argument : argv) pointers.push_back(argument.c_str());
  pointers.push_back(nullptr);
  UniqueFd stdin_fd;
  if (!input.empty() && !filled_pipe(input, stdin_fd, error)) return false;
  // Without G_SPAWN_DO_NOT_REAP_CHILD GLib starts the program from an
  // intermediate child that it reaps at once, so the viewer is adopted by
  // init and never becomes our zombie.  Descriptors other than 0-2 are
  // closed in the child; without a pipe its stdin is /dev/null.
  return g_spawn_async_with_pipes_and_fds(nullptr, pointers.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr,
                                          stdin_fd.get(), -1, -1, nullptr, nullptr, 0, nullptr, nullptr, nullptr,
                                          nullptr, error) != FALSE;
}

}  // namespace kesta

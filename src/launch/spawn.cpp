#include "launch/spawn.h"

#include <glib-unix.h>
#include <unistd.h>

#include <cerrno>

namespace kesta {

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

bool spawn_detached(const std::vector<std::string>& argv, const UniqueFd& standard_input, GError** error) {
  if (argv.empty()) {
    g_set_error_literal(error, G_SPAWN_ERROR, G_SPAWN_ERROR_NOENT, "命令行为空");
    return false;
  }
  std::vector<const char*> pointers;
  pointers.reserve(argv.size() + 1);
  for (const std::string& argument : argv) pointers.push_back(argument.c_str());
  pointers.push_back(nullptr);
  // Without G_SPAWN_DO_NOT_REAP_CHILD GLib starts the program from an
  // intermediate child that it reaps at once, so the viewer is adopted by
  // init and never becomes our zombie.  Descriptors other than 0-2 are
  // closed in the child; without a pipe its stdin is /dev/null.
  return g_spawn_async_with_pipes_and_fds(nullptr, pointers.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr,
                                          standard_input.get(), -1, -1, nullptr, nullptr, 0, nullptr, nullptr,
                                          nullptr, nullptr, error) != FALSE;
}

bool spawn_detached(const std::vector<std::string>& argv, GError** error, std::string_view input) {
  UniqueFd standard_input;
  if (!input.empty()) {
    standard_input = filled_pipe(input, error);
    if (standard_input.get() < 0) {
      if (error && !*error)
        g_set_error_literal(error, G_SPAWN_ERROR, G_SPAWN_ERROR_FAILED, "标准输入的内容过长");
      return false;
    }
  }
  return spawn_detached(argv, standard_input, error);
}

}  // namespace kesta

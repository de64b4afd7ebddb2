#include "support/spin.h"

#include <glib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>

#include "api/http.h"

namespace kesta::test {

bool spin_until(const std::function<bool()>& done, std::chrono::milliseconds limit,
                std::chrono::milliseconds every) {
  auto next_ask = std::chrono::steady_clock::now();
  const auto end = next_ask + limit;
  for (;;) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= next_ask || now >= end) {
      if (done()) return true;
      if (now >= end) return false;
      next_ask = now + every;
    }
    // Events of other threads (the stand-in's) do not wake this context.
    if (!g_main_context_iteration(g_main_context_get_thread_default(), FALSE)) g_usleep(2000);
  }
}

bool no_child_left() {
  siginfo_t info{};
  errno = 0;
  return waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == -1 && errno == ECHILD;
}

void spin_for(std::chrono::milliseconds length) {
  spin_until([] { return false; }, length);
}

void wait_for_requests(std::chrono::seconds limit) {
  if (!spin_until([] { return requests_in_flight() == 0; }, limit))
    ADD_FAILURE() << requests_in_flight() << " requests still unanswered after " << limit.count() << " s";
}

}  // namespace kesta::test

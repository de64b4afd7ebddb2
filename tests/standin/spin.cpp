#include "spin.h"

#include <glib.h>

namespace kesta::test {

bool spin_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    // Events of other threads (the stand-in's) do not wake this context.
    if (!g_main_context_iteration(g_main_context_get_thread_default(), FALSE)) g_usleep(2000);
  }
  return true;
}

}  // namespace kesta::test

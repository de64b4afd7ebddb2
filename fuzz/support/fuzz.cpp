#include "support/fuzz.h"

#include <glib.h>

#include <cstdio>
#include <cstdlib>

namespace kesta::fuzz {

namespace {

// The parsers print a line for nearly every reply; millions of them would
// cost more than the parsing.
void drop_line(const gchar*) {}

}  // namespace

void fail(const char* what) noexcept {
  std::fprintf(stderr, "kesta fuzz check failed: %s\n", what);
  std::abort();
}

bool is_utf8(std::string_view text) noexcept {
  return g_utf8_validate_len(text.data(), text.size(), nullptr) != FALSE;
}

}  // namespace kesta::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) noexcept {
  // What G_DEBUG=fatal-criticals does; GLib has read the environment by now,
  // in its constructor, so setting the variable here would come too late.
  g_log_set_always_fatal(static_cast<GLogLevelFlags>(G_LOG_FATAL_MASK | G_LOG_LEVEL_CRITICAL));
  g_set_print_handler(kesta::fuzz::drop_line);
  return 0;
}

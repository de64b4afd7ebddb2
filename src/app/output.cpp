#include "app/output.h"

#include <glib.h>

#include <cstdio>

namespace kesta {

namespace {

void print_utf8(const gchar* text) noexcept {
  std::fputs(text, stdout);
  std::fflush(stdout);
}

}  // namespace

void install_output_handler() noexcept { g_set_print_handler(print_utf8); }

}  // namespace kesta

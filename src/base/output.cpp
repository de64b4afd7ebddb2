#include "base/output.h"

#include <glib.h>

#include <cstdio>

namespace kesta {

namespace {

void print_utf8(const gchar* text) noexcept {
  std::fputs(text, stdout);
  std::fflush(stdout);
}

}  // namespace

void install_output_handler() noexcept {
  // A handler already in place (that of a program running the client, such
  // as a test collecting its lines) is kept.
  if (GPrintFunc previous = g_set_print_handler(print_utf8)) g_set_print_handler(previous);
}

}  // namespace kesta

// The demo service: kesta-standin [--port N] [--https] serves the demo data
// on 127.0.0.1 until SIGTERM or SIGINT, printing every request it receives.
#include <csignal>
#include <cstdio>
#include <exception>
#include <string_view>

#include <glib-unix.h>

#include "demo_data.h"
#include "owned.h"
#include "stand_in.h"

namespace {

using kesta::test::StandInOptions;

// Both signal sources stay while main holds them.
gboolean quit(gpointer loop) noexcept {
  g_main_loop_quit(static_cast<GMainLoop*>(loop));
  return G_SOURCE_CONTINUE;
}

bool parse_arguments(int argc, char** argv, StandInOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--https") {
      options.https = true;
    } else if (argument == "--port" && i + 1 < argc) {
      guint64 port = 0;
      if (!g_ascii_string_to_unsigned(argv[++i], 10, 1, 65535, &port, nullptr)) return false;
      options.port = static_cast<unsigned>(port);
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  StandInOptions options;
  options.print = true;
  if (!parse_arguments(argc, argv, options)) {
    std::fprintf(stderr, "usage: kesta-standin [--port N] [--https]\n");
    return 2;
  }
  try {
    kesta::test::StandIn stand_in(options);
    kesta::test::load_demo_data(stand_in.service());
    std::printf("kesta-standin listening on %s\n", stand_in.url().c_str());
    std::fflush(stdout);

    const kesta::test::MainLoopPtr loop(g_main_loop_new(nullptr, FALSE));
    const kesta::SourcePtr term(g_unix_signal_source_new(SIGTERM), quit, loop.get());
    const kesta::SourcePtr interrupt(g_unix_signal_source_new(SIGINT), quit, loop.get());
    g_main_loop_run(loop.get());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kesta-standin: %s\n", e.what());
    return 1;
  }
  return 0;
}

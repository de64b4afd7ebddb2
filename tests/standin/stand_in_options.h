// How a stand-in listens.
#pragma once

namespace kesta::test {

struct StandInOptions {
  // HTTPS with a fresh self-signed certificate instead of plain HTTP.
  bool https = false;
  // 0 picks a free port.
  unsigned port = 0;
  // One line on standard output for every request and WebSocket event.
  bool print = false;
};

}  // namespace kesta::test

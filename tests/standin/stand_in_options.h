// How a stand-in listens.
#pragma once

#include <gio/gio.h>

namespace kesta::test {

struct StandInOptions {
  // HTTPS with a fresh self-signed certificate instead of plain HTTP.
  bool https = false;
  // For HTTPS, the certificate (with its key) served instead of a fresh
  // self-signed one; borrowed, the stand-in keeps its own reference.
  GTlsCertificate* certificate = nullptr;
  // 0 picks a free port.
  unsigned port = 0;
  // One line on standard output for every request and WebSocket event.
  bool print = false;
};

}  // namespace kesta::test

// A reply that never ends: a connection taken from the server, its head
// sent, then a chunk of the body at each interval.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

#include <gio/gio.h>
#include <libsoup/soup.h>

#include "base/ptr.h"

namespace kesta::test {

class Trickle {
 public:
  // Takes over the connection of the client; sends from the calling thread's
  // default main context, chunks of `bytes` bytes.
  Trickle(SoupClientContext* client, std::chrono::milliseconds interval, std::size_t bytes);
  Trickle(const Trickle&) = delete;
  Trickle& operator=(const Trickle&) = delete;

 private:
  static gboolean on_tick(gpointer self) noexcept;

  RefPtr<GIOStream> stream_;
  std::string chunk_;
  SourcePtr timer_;
};

}  // namespace kesta::test

// A reply that never ends: a connection taken from the server, its head
// sent with a large promised body, then one byte at each interval.
#pragma once

#include <chrono>

#include <gio/gio.h>

#include "app/ptr.h"
#include "owned.h"

namespace kesta::test {

class Trickle {
 public:
  // Takes over the connection of the client; sends from the calling thread's
  // default main context.
  Trickle(SoupClientContext* client, std::chrono::milliseconds interval);
  Trickle(const Trickle&) = delete;
  Trickle& operator=(const Trickle&) = delete;

 private:
  static gboolean on_tick(gpointer self) noexcept;

  RefPtr<GIOStream> stream_;
  SourcePtr timer_;
};

}  // namespace kesta::test

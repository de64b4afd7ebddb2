// A request whose answer is held back, either for a delay or until the
// stand-in stops.  Lives and dies in the server thread.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include <libsoup/soup.h>

#include "base/ptr.h"

namespace kesta::test {

class PausedMessage {
 public:
  // Pauses the message.  Without a delay it stays paused.  done runs once the
  // message was let go or finished otherwise (its client went away, the
  // server stopped).  The owner may destroy this object from done: nothing
  // here touches it after calling done.
  PausedMessage(SoupServer* server, SoupMessage* message, std::optional<std::chrono::milliseconds> delay,
                std::function<void(PausedMessage*)> done);
  ~PausedMessage();
  PausedMessage(const PausedMessage&) = delete;
  PausedMessage& operator=(const PausedMessage&) = delete;

 private:
  static gboolean on_delay_over(gpointer self) noexcept;
  static void on_finished(SoupMessage* message, gpointer self) noexcept;

  SoupServer* server_;
  RefPtr<SoupMessage> message_;
  gulong finished_handler_ = 0;
  SourcePtr timer_;
  std::function<void(PausedMessage*)> done_;
};

}  // namespace kesta::test

#include "paused_message.h"

namespace kesta::test {

PausedMessage::PausedMessage(SoupServer* server, SoupMessage* message,
                             std::optional<std::chrono::milliseconds> delay, std::function<void(PausedMessage*)> done)
    : server_(server), message_(add_ref(message)), done_(std::move(done)) {
  soup_server_pause_message(server_, message);
  // Letting go of a message that has finished meanwhile would be a critical.
  finished_handler_ = g_signal_connect(message, "finished", G_CALLBACK(on_finished), this);
  if (!delay) return;
  timer_ = SourcePtr(g_timeout_source_new(static_cast<guint>(delay->count())), on_delay_over, this,
                     g_main_context_get_thread_default());
}

PausedMessage::~PausedMessage() { g_signal_handler_disconnect(message_.get(), finished_handler_); }

gboolean PausedMessage::on_delay_over(gpointer self) noexcept {
  auto* paused = static_cast<PausedMessage*>(self);
  soup_server_unpause_message(paused->server_, paused->message_.get());
  paused->done_(paused);
  return G_SOURCE_REMOVE;
}

void PausedMessage::on_finished(SoupMessage*, gpointer self) noexcept {
  auto* paused = static_cast<PausedMessage*>(self);
  paused->done_(paused);
}

}  // namespace kesta::test

#include "trickle.h"

#include <string_view>

namespace kesta::test {

namespace {

constexpr std::string_view kHead =
    "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 100000000\r\n\r\n";

bool send(GIOStream* stream, std::string_view bytes) {
  return g_output_stream_write_all(g_io_stream_get_output_stream(stream), bytes.data(), bytes.size(), nullptr,
                                   nullptr, nullptr);
}

}  // namespace

Trickle::Trickle(SoupClientContext* client, std::chrono::milliseconds interval)
    : stream_(take_ref(soup_client_context_steal_connection(client))) {
  if (!stream_ || !send(stream_.get(), kHead)) return;
  timer_.reset(g_timeout_source_new(static_cast<guint>(interval.count())));
  g_source_set_callback(timer_.get(), on_tick, this, nullptr);
  g_source_attach(timer_.get(), g_main_context_get_thread_default());
}

gboolean Trickle::on_tick(gpointer self) noexcept {
  // Once the client has gone, the write fails and the trickle ends.
  return send(static_cast<Trickle*>(self)->stream_.get(), "[") ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

}  // namespace kesta::test

#include "trickle.h"

#include <string_view>

namespace kesta::test {

namespace {

constexpr std::string_view kHead =
    "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nTransfer-Encoding: chunked\r\n\r\n";

bool send(GIOStream* stream, std::string_view bytes) {
  return g_output_stream_write_all(g_io_stream_get_output_stream(stream), bytes.data(), bytes.size(), nullptr,
                                   nullptr, nullptr);
}

std::string chunk_of(std::size_t bytes) {
  char size[32];
  g_snprintf(size, sizeof size, "%zx\r\n", bytes);
  return size + std::string(bytes, '[') + "\r\n";
}

}  // namespace

Trickle::Trickle(SoupClientContext* client, std::chrono::milliseconds interval, std::size_t bytes)
    : stream_(take_ref(soup_client_context_steal_connection(client))), chunk_(chunk_of(bytes)) {
  if (!stream_ || !send(stream_.get(), kHead)) return;
  timer_ = SourcePtr(g_timeout_source_new(static_cast<guint>(interval.count())), on_tick, this,
                     g_main_context_get_thread_default());
}

gboolean Trickle::on_tick(gpointer self) noexcept {
  auto* trickle = static_cast<Trickle*>(self);
  // Once the client has gone, the write fails and the trickle ends.
  return send(trickle->stream_.get(), trickle->chunk_) ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

}  // namespace kesta::test

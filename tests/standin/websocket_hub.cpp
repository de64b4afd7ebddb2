#include "websocket_hub.h"

#include <algorithm>
#include <cstdio>

namespace kesta::test {

namespace {

bool is_open(SoupWebsocketConnection* connection) {
  return soup_websocket_connection_get_state(connection) == SOUP_WEBSOCKET_STATE_OPEN;
}

}  // namespace

WebsocketHub::~WebsocketHub() {
  for (const auto& connection : connections_) g_signal_handlers_disconnect_by_data(connection.get(), this);
}

void WebsocketHub::adopt(SoupWebsocketConnection* connection) {
  g_signal_connect(connection, "message", G_CALLBACK(on_message), this);
  g_signal_connect(connection, "closed", G_CALLBACK(on_closed), this);
  connections_.push_back(add_ref(connection));
  log_.add_handshake();
  log_.set_open_websockets(connections_.size());
  if (print_) {
    std::printf("standin: ws connected\n");
    std::fflush(stdout);
  }
}

std::size_t WebsocketHub::send_text(const std::string& text) {
  std::size_t sent = 0;
  for (const auto& connection : connections_) {
    if (!is_open(connection.get())) continue;
    soup_websocket_connection_send_text(connection.get(), text.c_str());
    ++sent;
  }
  return sent;
}

std::size_t WebsocketHub::close_all() {
  std::size_t closed = 0;
  for (const auto& connection : connections_) {
    if (!is_open(connection.get())) continue;
    soup_websocket_connection_close(connection.get(), SOUP_WEBSOCKET_CLOSE_NORMAL, nullptr);
    ++closed;
  }
  return closed;
}

void WebsocketHub::release_all(FinalizeWatch& watch) {
  for (const auto& connection : connections_) {
    g_signal_handlers_disconnect_by_data(connection.get(), this);
    watch.watch(G_OBJECT(connection.get()));
  }
  connections_.clear();
  log_.set_open_websockets(0);
}

void WebsocketHub::on_message(SoupWebsocketConnection*, gint type, GBytes* message, gpointer self) noexcept {
  auto* hub = static_cast<WebsocketHub*>(self);
  if (type != SOUP_WEBSOCKET_DATA_TEXT) return;
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(message, &size));
  std::string text(data ? data : "", size);
  if (hub->print_) {
    std::printf("standin: ws message: %s\n", text.c_str());
    std::fflush(stdout);
  }
  hub->log_.add_websocket_message(std::move(text));
}

void WebsocketHub::on_closed(SoupWebsocketConnection* connection, gpointer self) noexcept {
  auto* hub = static_cast<WebsocketHub*>(self);
  // The emitter holds its own reference for the length of the signal.
  std::erase_if(hub->connections_, [&](const auto& held) { return held.get() == connection; });
  hub->log_.set_open_websockets(hub->connections_.size());
  if (hub->print_) {
    std::printf("standin: ws closed\n");
    std::fflush(stdout);
  }
}

}  // namespace kesta::test

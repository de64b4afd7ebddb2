// What the stand-in received: every HTTP request, every WebSocket handshake
// and text frame.  Written by the server thread, read by tests.
#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "records.h"

namespace kesta::test {

class RequestLog {
 public:
  // Every request in order of arrival, handshakes included.
  std::vector<RecordedRequest> requests() const;
  std::vector<RecordedRequest> requests_to(const std::string& path) const;
  std::size_t count(const std::string& path) const;
  std::optional<RecordedRequest> last(const std::string& path) const;

  // WebSocket upgrades that went through.
  std::size_t websocket_handshakes() const;
  std::vector<WebsocketMessage> websocket_messages() const;
  std::size_t open_websockets() const;

  // Forgets requests, handshakes and messages (not the open connections).
  void clear();

  void add_request(RecordedRequest request);
  void add_handshake();
  void add_websocket_message(std::string text);
  void set_open_websockets(std::size_t count);

 private:
  mutable std::mutex mutex_;
  std::vector<RecordedRequest> requests_;
  std::size_t handshakes_ = 0;
  std::vector<WebsocketMessage> messages_;
  std::size_t open_ = 0;
};

}  // namespace kesta::test

#include "request_log.h"

#include <algorithm>

namespace kesta::test {

std::vector<RecordedRequest> RequestLog::requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<RecordedRequest> RequestLog::requests_to(const std::string& path) const {
  const std::lock_guard lock(mutex_);
  std::vector<RecordedRequest> found;
  std::copy_if(requests_.begin(), requests_.end(), std::back_inserter(found),
               [&](const RecordedRequest& r) { return r.path == path; });
  return found;
}

std::size_t RequestLog::count(const std::string& path) const {
  const std::lock_guard lock(mutex_);
  return std::count_if(requests_.begin(), requests_.end(), [&](const RecordedRequest& r) { return r.path == path; });
}

std::optional<RecordedRequest> RequestLog::last(const std::string& path) const {
  const std::lock_guard lock(mutex_);
  const auto it =
      std::find_if(requests_.rbegin(), requests_.rend(), [&](const RecordedRequest& r) { return r.path == path; });
  if (it == requests_.rend()) return std::nullopt;
  return *it;
}

std::size_t RequestLog::websocket_handshakes() const {
  const std::lock_guard lock(mutex_);
  return handshakes_;
}

std::vector<WebsocketMessage> RequestLog::websocket_messages() const {
  const std::lock_guard lock(mutex_);
  return messages_;
}

std::size_t RequestLog::open_websockets() const {
  const std::lock_guard lock(mutex_);
  return open_;
}

void RequestLog::clear() {
  const std::lock_guard lock(mutex_);
  requests_.clear();
  handshakes_ = 0;
  messages_.clear();
}

void RequestLog::add_request(RecordedRequest request) {
  const std::lock_guard lock(mutex_);
  requests_.push_back(std::move(request));
}

void RequestLog::add_handshake() {
  const std::lock_guard lock(mutex_);
  ++handshakes_;
}

void RequestLog::add_websocket_message(std::string text) {
  const std::lock_guard lock(mutex_);
  messages_.push_back(WebsocketMessage{std::move(text), std::chrono::steady_clock::now()});
}

void RequestLog::set_open_websockets(std::size_t count) {
  const std::lock_guard lock(mutex_);
  open_ = count;
}

}  // namespace kesta::test

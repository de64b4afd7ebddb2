#include "stand_in.h"

#include "self_signed.h"
#include "server_thread.h"

namespace kesta::test {

StandIn::StandIn(StandInOptions options) {
  RefPtr<GTlsCertificate> certificate;
  if (options.https)
    certificate = options.certificate ? add_ref(options.certificate) : make_self_signed_certificate();
  thread_ = std::make_unique<ServerThread>(options, std::move(certificate), service_, scripts_, received_);
  url_ = std::string(options.https ? "https" : "http") + "://127.0.0.1:" + std::to_string(thread_->port());
}

StandIn::~StandIn() = default;

unsigned StandIn::port() const { return thread_->port(); }

std::size_t StandIn::send_websocket_text(const std::string& text, std::size_t times) {
  std::size_t sent = 0;
  thread_->run([&](Endpoint& endpoint) {
    for (std::size_t i = 0; i < times; ++i) sent = endpoint.websockets().send_text(text);
  });
  return sent;
}

std::size_t StandIn::close_websockets() {
  std::size_t closed = 0;
  thread_->run([&](Endpoint& endpoint) { closed = endpoint.websockets().close_all(); });
  return closed;
}

}  // namespace kesta::test

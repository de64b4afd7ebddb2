// The HTTP(S) server itself: receives, records, scripts and answers requests
// and takes WebSocket upgrades.  Made, used and destroyed in the server
// thread, with that thread's default main context.
#pragma once

#include <chrono>
#include <list>
#include <memory>
#include <optional>

#include <libsoup/soup.h>

#include "api_router.h"
#include "base/ptr.h"
#include "paused_message.h"
#include "reply_scripts.h"
#include "request_log.h"
#include "service_state.h"
#include "stand_in_options.h"
#include "trickle.h"
#include "websocket_hub.h"

namespace kesta::test {

class Endpoint {
 public:
  // Listens on 127.0.0.1; certificate is needed for HTTPS only.  Throws
  // std::runtime_error when it cannot listen.
  Endpoint(const StandInOptions& options, GTlsCertificate* certificate, ServiceState& service, ReplyScripts& scripts,
           RequestLog& log);
  // Lets go of held requests and WebSockets and closes every connection.
  ~Endpoint();
  Endpoint(const Endpoint&) = delete;
  Endpoint& operator=(const Endpoint&) = delete;

  unsigned port() const { return port_; }
  WebsocketHub& websockets() { return websockets_; }

 private:
  static void on_request(SoupServer* server, SoupMessage* message, const char* path, GHashTable* query,
                         SoupClientContext* client, gpointer self) noexcept;
  static void on_websocket(SoupServer* server, SoupWebsocketConnection* connection, const char* path,
                           SoupClientContext* client, gpointer self) noexcept;

  void handle(SoupMessage* message, const char* path, GHashTable* query, SoupClientContext* client);
  void pause(SoupMessage* message, std::optional<std::chrono::milliseconds> delay);
  // Waits, within reason, for what was closed asynchronously.
  void drain(const FinalizeWatch& watch);

  bool print_;
  RequestLog& log_;
  ReplyScripts& scripts_;
  ApiRouter router_;
  WebsocketHub websockets_;
  std::list<std::unique_ptr<PausedMessage>> paused_;
  std::list<std::unique_ptr<Trickle>> trickles_;
  RefPtr<SoupServer> server_;
  unsigned port_ = 0;
};

}  // namespace kesta::test

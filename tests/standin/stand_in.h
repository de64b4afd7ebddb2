// The project's stand-in for the virtual-desktop service: a real HTTP or
// HTTPS server on 127.0.0.1, with the status channel's WebSocket, served from
// a thread of its own.  Tests set up what the service knows (service()), how
// it misbehaves (scripts()) and read what it received (received()); all of
// that may be done from any thread while it serves.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "api_paths.h"
#include "records.h"
#include "reply_scripts.h"
#include "request_log.h"
#include "service_state.h"
#include "stand_in_options.h"

namespace kesta::test {

class ServerThread;

class StandIn {
 public:
  // Listening when constructed.  Throws std::runtime_error when it cannot
  // listen or, for HTTPS, has no TLS support (glib-networking).
  explicit StandIn(StandInOptions options = {});
  // Stops serving: held requests and WebSockets are dropped.
  ~StandIn();
  StandIn(const StandIn&) = delete;
  StandIn& operator=(const StandIn&) = delete;

  // "http://127.0.0.1:PORT" or "https://127.0.0.1:PORT", the form of the
  // client's server address.
  const std::string& url() const { return url_; }
  unsigned port() const;

  ServiceState& service() { return service_; }
  ReplyScripts& scripts() { return scripts_; }
  RequestLog& received() { return received_; }

  // Sends a text frame (times over) on every open WebSocket; returns their
  // number.
  std::size_t send_websocket_text(const std::string& text, std::size_t times = 1);
  // Starts a normal close (1000) of every open WebSocket; returns their
  // number.
  std::size_t close_websockets();

 private:
  ServiceState service_;
  ReplyScripts scripts_;
  RequestLog received_;
  // After the state it serves from, so that it stops first.
  std::unique_ptr<ServerThread> thread_;
  std::string url_;
};

}  // namespace kesta::test

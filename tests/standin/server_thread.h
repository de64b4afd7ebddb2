// The thread the stand-in serves from, with its own main context, so that a
// client under test can make blocking requests on the test's thread.
#pragma once

#include <functional>
#include <thread>

#include <gio/gio.h>

#include "base/ptr.h"
#include "endpoint.h"
#include "owned.h"

namespace kesta::test {

class ServerThread {
 public:
  // Returns once the server listens; throws std::runtime_error when it
  // cannot.
  ServerThread(const StandInOptions& options, RefPtr<GTlsCertificate> certificate, ServiceState& service,
               ReplyScripts& scripts, RequestLog& log);
  // Stops the server and waits for the thread.
  ~ServerThread();
  ServerThread(const ServerThread&) = delete;
  ServerThread& operator=(const ServerThread&) = delete;

  unsigned port() const { return port_; }
  // Runs the work in the server thread and returns when it is done.
  void run(const std::function<void(Endpoint&)>& work);

 private:
  MainContextPtr context_;
  MainLoopPtr loop_;
  unsigned port_ = 0;
  // Set by the server thread before it hands over the port, so the
  // constructor's caller sees it as well.
  Endpoint* endpoint_ = nullptr;
  // Last: the thread ends before the context and loop go.
  std::jthread thread_;
};

}  // namespace kesta::test

// The open WebSocket connections of the status channel, server side.  Lives
// in the server thread; what arrives goes to the RequestLog.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <libsoup/soup.h>

#include "base/ptr.h"
#include "finalize_watch.h"
#include "request_log.h"

namespace kesta::test {

class WebsocketHub {
 public:
  WebsocketHub(RequestLog& log, bool print) : log_(log), print_(print) {}
  ~WebsocketHub();
  WebsocketHub(const WebsocketHub&) = delete;
  WebsocketHub& operator=(const WebsocketHub&) = delete;

  // Takes on a connection that has just been upgraded.
  void adopt(SoupWebsocketConnection* connection);
  // Sends the text frame on every open connection; returns their number.
  std::size_t send_text(const std::string& text);
  // Starts a normal close of every open connection; returns their number.
  std::size_t close_all();
  // Lets go of every connection; the watch learns when each is gone.
  void release_all(FinalizeWatch& watch);

 private:
  static void on_message(SoupWebsocketConnection* connection, gint type, GBytes* message, gpointer self) noexcept;
  static void on_closed(SoupWebsocketConnection* connection, gpointer self) noexcept;

  RequestLog& log_;
  bool print_;
  std::vector<RefPtr<SoupWebsocketConnection>> connections_;
};

}  // namespace kesta::test

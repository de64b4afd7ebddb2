// The status channel: a WebSocket to the service on which the terminal
// reports its memory load, CPU load and host name every 10 seconds.  It signs
// in by MAC address for its own token, retries failed handshakes a few times
// and reconnects after a lost connection.  Main thread only.
#pragma once

#include <libsoup/soup.h>

#include <cstddef>

#include "api/http.h"
#include "base/ptr.h"
#include "host/line_budget.h"

namespace kesta {

// Where the channel learns the terminal's MAC address (null: none).
using MacSource = GCharPtr (*)();

// The one channel of the process.
struct StatusChannel {
  // The channel's own sign-in, before the handshake.
  PendingRequest token_request;
  // Carries the handshake; kept until the next teardown.
  RefPtr<SoupSession> session;
  // The handshake under way, with its own time limit.
  PendingRequest handshake;
  RefPtr<SoupWebsocketConnection> connection;
  // The timers; each reads as its id, 0 when there is none.
  SourcePtr report_timer;
  // Consecutive failed handshakes.
  gint32 failures = 0;
  SourcePtr reconnect_timer;
  MacSource mac_source = nullptr;
  // The service's messages in the log: ten lines in any ten seconds, and
  // the number of those left out.
  LineBudget message_lines{10, 10 * G_USEC_PER_SEC};
  std::size_t omitted_messages = 0;
};

// Creates the channel (replacing one that runs) and, when a server address
// is configured, makes the first connection attempt.  The MAC address comes
// from get_mac_address, or from mac_source where one is given.
void status_channel_start();
void status_channel_start(MacSource mac_source);
// status_channel_start the first time it is called in the process.
void status_channel_start_once();
// One connection attempt: the token fetch, then the handshake, each of up to
// 10 seconds, both on the main loop.
void status_channel_connect();
// Cancels the token fetch and the handshake, removes both timers and closes
// and lets go of connection and session.
void status_channel_teardown();
// Tears the channel down and forgets it; nothing when it never started.
void status_channel_stop();
// Sends one report; a GSourceFunc that keeps its timer while there is a
// connection.
gboolean send_status_report(gpointer unused) noexcept;

// The channel, or null when it is not started.
const StatusChannel* status_channel() noexcept;

}  // namespace kesta

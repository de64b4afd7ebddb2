// How the service misbehaves, path by path: forced replies, delays, requests
// left unanswered and connections cut in the middle of a reply.  A path is
// matched exactly, without its query.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "records.h"

namespace kesta::test {

enum class Repeat { Once, UntilCleared };

// What applies to one request.
struct PathScript {
  // Replaces the service's answer (and its checks, such as the token).
  std::optional<Reply> reply;
  bool reply_once = false;
  // How long the answer waits; other requests are answered meanwhile.
  std::chrono::milliseconds delay{0};
  // No answer at all until the stand-in stops.
  bool hold = false;
  // The status line, headers and half of the body are sent, then the
  // connection is closed.
  bool cut = false;
  // Set: a body without end, sent in chunks of trickle_bytes, one at each
  // interval, until the client gives up.
  std::optional<std::chrono::milliseconds> trickle;
  std::size_t trickle_bytes = 1;
};

class ReplyScripts {
 public:
  void force_reply(const std::string& path, Reply reply, Repeat repeat = Repeat::UntilCleared);
  void delay(const std::string& path, std::chrono::milliseconds delay);
  void hold(const std::string& path);
  void cut(const std::string& path);
  void trickle(const std::string& path, std::chrono::milliseconds interval, std::size_t bytes = 1);
  // Back to normal service for the path, or for every path.
  void clear(const std::string& path);
  void clear_all();

  // The script for a request on the path; a once-only reply is used up.
  PathScript take(const std::string& path);

 private:
  std::mutex mutex_;
  std::map<std::string, PathScript> scripts_;
};

}  // namespace kesta::test

#include "reply_scripts.h"

namespace kesta::test {

void ReplyScripts::force_reply(const std::string& path, Reply reply, Repeat repeat) {
  const std::lock_guard lock(mutex_);
  PathScript& script = scripts_[path];
  script.reply = std::move(reply);
  script.reply_once = repeat == Repeat::Once;
}

void ReplyScripts::delay(const std::string& path, std::chrono::milliseconds delay) {
  const std::lock_guard lock(mutex_);
  scripts_[path].delay = delay;
}

void ReplyScripts::hold(const std::string& path) {
  const std::lock_guard lock(mutex_);
  scripts_[path].hold = true;
}

void ReplyScripts::cut(const std::string& path) {
  const std::lock_guard lock(mutex_);
  scripts_[path].cut = true;
}

void ReplyScripts::trickle(const std::string& path, std::chrono::milliseconds interval, std::size_t bytes) {
  const std::lock_guard lock(mutex_);
  scripts_[path].trickle = interval;
  scripts_[path].trickle_bytes = bytes;
}

void ReplyScripts::clear(const std::string& path) {
  const std::lock_guard lock(mutex_);
  scripts_.erase(path);
}

void ReplyScripts::clear_all() {
  const std::lock_guard lock(mutex_);
  scripts_.clear();
}

PathScript ReplyScripts::take(const std::string& path) {
  const std::lock_guard lock(mutex_);
  const auto it = scripts_.find(path);
  if (it == scripts_.end()) return {};
  PathScript script = it->second;
  if (it->second.reply_once) it->second.reply.reset();
  return script;
}

}  // namespace kesta::test

#include "host/status_url.h"

#include "base/fixed_text.h"

namespace kesta {

namespace {

constexpr std::size_t kUrlSize = 512;

}  // namespace

std::string status_channel_url(std::string_view server_address, std::string_view token) {
  std::string_view scheme = "wss://";
  std::string_view host = server_address;
  if (host.starts_with("https://")) {
    host.remove_prefix(std::string_view("https://").size());
  } else if (host.starts_with("http://")) {
    scheme = "ws://";
    host.remove_prefix(std::string_view("http://").size());
  }
  std::string url;
  url.append(scheme).append(host).append("/ws/client?token=Bearer%20").append(token);
  return std::string(clip(url, kUrlSize));
}

}  // namespace kesta

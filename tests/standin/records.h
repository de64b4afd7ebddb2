// Plain records the stand-in keeps and hands to tests.
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <strings.h>

namespace kesta::test {

// One VM as the VM list shows it.
struct Vm {
  std::string vmid;
  std::string vmname;
  std::string status;
  std::string poolname;
  std::string connecttype;
  bool rollback = false;
};

// A registration the service accepted.
struct Registration {
  std::string username;
  std::string password;
  std::string nickname;
  std::string domain;
};

// Header names compare without regard to case, as HTTP has it.
struct NoCaseLess {
  bool operator()(const std::string& a, const std::string& b) const noexcept {
    return strcasecmp(a.c_str(), b.c_str()) < 0;
  }
};
using HeaderMap = std::map<std::string, std::string, NoCaseLess>;

// One request as it arrived.
struct RecordedRequest {
  std::string method;
  // Percent-decoded, without the query.
  std::string path;
  // The query as sent (normalised by libsoup only in the case of its hex
  // digits), without the "?"; empty when there was none.
  std::string raw_query;
  // The query's members, decoded.
  std::map<std::string, std::string> query;
  // Repeated headers are joined with ", ".
  HeaderMap headers;
  std::string body;

  // The header's value, or empty text when it was not sent.
  std::string header(const std::string& name) const {
    const auto it = headers.find(name);
    return it == headers.end() ? std::string() : it->second;
  }
  bool has_header(const std::string& name) const { return headers.contains(name); }
};

// One text frame received on a WebSocket.
struct WebsocketMessage {
  std::string text;
  std::chrono::steady_clock::time_point received;
};

// One HTTP reply: the service's own, or one a test imposes on a path.
struct Reply {
  unsigned status = 200;
  std::string body;
  std::string content_type = "application/json";
  // Sent as the "Location" header when set.
  std::string location = {};
};

}  // namespace kesta::test

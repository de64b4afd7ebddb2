// One blocking exchange with the service, on a session of its own.
#pragma once

#include <glib.h>

#include <optional>
#include <string>

namespace kesta {

// How long the VM list, power and connection-configuration requests wait
// for the service.  Every request blocks the user interface, so a service
// that accepts and never answers must not freeze it for good.  (The login,
// domain-list and registration requests wait 10 seconds.)
inline constexpr guint kReplyTimeoutSeconds = 60;

struct HttpRequest {
  const char* method = "GET";
  std::string url;
  // Sent as "Authorization: Bearer <token>" when set, unless it holds a line
  // break, which no header value may.
  const char* token = nullptr;
  // A compact JSON text sent as the body, when set.
  std::optional<std::string> json_body;
  // Seconds; 0 sets no timeout.
  guint timeout = 0;
};

struct HttpReply {
  // The HTTP status, or libsoup's transport status (below 100) when no reply
  // arrived.
  guint status = 0;
  std::string body;
  // False for a transport failure: no reply, so no body at all.
  bool has_body = false;
};

// Sends the request and waits for the reply.  Nothing when the URL does not
// make a request (no scheme or host).  Certificate errors do not fail it.
std::optional<HttpReply> send_request(const HttpRequest& request);

// A text put into a query value: everything but unreserved characters is
// percent-escaped, so a value cannot add parameters or a fragment.
std::string query_value(const char* text);

}  // namespace kesta

// One exchange with the service, on a session of its own, sent without
// waiting: the main loop keeps running while the service answers.
//
// Every request of src/api takes the service address as its first argument
// and, where it needs one, the token as its second; none reads the client's
// configuration for it, so each sends to exactly the service its caller
// names.  Only the certificate pins are looked up and kept in app_config
// (api/certificate_trust.h).
#pragma once

#include <glib.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "api/certificate_trust.h"

namespace kesta {

// How long the VM list, power and connection-configuration requests wait
// for the service.
inline constexpr guint kReplyTimeoutSeconds = 60;
// How long the anonymous ones wait: the login, domain-list and registration
// requests.
inline constexpr guint kAnonymousTimeoutSeconds = 10;

struct HttpRequest {
  const char* method = "GET";
  std::string url;
  // Sent as "Authorization: Bearer <token>" when set, unless it holds a line
  // break, which no header value may.
  const char* token = nullptr;
  // A compact JSON text sent as the body, when set.
  std::optional<std::string> json_body;
  // Seconds the whole exchange may take; 0 sets no limit.
  guint timeout = 0;
};

struct HttpReply {
  // The HTTP status, or libsoup's transport status (below 100) when no reply
  // arrived.
  guint status = 0;
  std::string body;
  // False for a transport failure: no reply, so no body at all.
  bool has_body = false;
  // Set when the handshake refused a certificate whose key is not the one
  // pinned (the status is then libsoup's SSL failure).
  std::optional<CertificateChange> certificate_change;
};

// What a failed request tells the user of the reply: its body as received,
// or for a transport failure "无法连接到服务器", or the refusal of a changed
// certificate.
std::string failed_reply_text(const HttpReply& reply);

// How a request ended.
enum class ReplyKind {
  BadAddress,  // no request could be made
  Failed,      // a status the request does not accept (a 401 included)
  Unreadable,  // an accepted status whose body does not parse
  Refused,     // an accepted status, but "success" is not true
  Ok,
};

// Every request's outcome.  message is what the user is told of a kind
// other than Ok: for Failed, failed_reply_text; for Unreadable, the parser's
// reason; for Refused, the reply's "message" or "未知错误".  A request whose
// words differ says so.  record is what an Ok reply carried, and Record's
// empty value otherwise (std::monostate where the reply carries nothing).
template <typename Record = std::monostate>
struct ReplyOutcome {
  ReplyKind kind = ReplyKind::BadAddress;
  // The reply's status; 0 when none came, or for a body read on its own.
  guint status = 0;
  std::string message;
  Record record{};

  bool ok() const noexcept { return kind == ReplyKind::Ok; }
};

// The outcome read from a reply's body, with the reply's status.
template <typename Record>
ReplyOutcome<Record> with_status(ReplyOutcome<Record> outcome, guint status) {
  outcome.status = status;
  return outcome;
}

// The outcome of a reply whose status the request does not accept.
template <typename Record = std::monostate>
ReplyOutcome<Record> failed_outcome(const HttpReply& reply) {
  return {ReplyKind::Failed, reply.status, failed_reply_text(reply), Record{}};
}

// Prints "创建HTTP消息失败，请检查URL格式: %s\n" for a URL that made no
// request.
void print_unmade_request(const std::string& url);

// What the handler of a request gets: the reply, or nothing when the URL
// does not make a request (no scheme or host).
using ReplyHandler = std::function<void(std::optional<HttpReply>)>;

// What a PendingRequest holds: an exchange under way whose handler runs
// later from the main loop.  send_request_async makes the HTTP ones; the
// status channel's WebSocket handshake is another.
class Exchange {
 public:
  virtual ~Exchange() = default;
  // The handler is never called after this.
  virtual void cancel() noexcept = 0;
  // True while the handler has yet to run.
  virtual bool pending() const noexcept = 0;
};

// A request under way.  Dropping it (or cancel) cancels the exchange: the
// handler is never called after that.  Empty once the handler has run.
class PendingRequest {
 public:
  PendingRequest() = default;
  explicit PendingRequest(std::shared_ptr<Exchange> exchange) : exchange_(std::move(exchange)) {}
  PendingRequest(PendingRequest&&) noexcept = default;
  PendingRequest& operator=(PendingRequest&& other) noexcept;
  ~PendingRequest() { cancel(); }

  void cancel() noexcept;
  // True while the handler has yet to run.
  bool pending() const noexcept;

 private:
  std::shared_ptr<Exchange> exchange_;
};

// Sends the request.  The handler runs later from the main loop, never
// before this returns.  The service's certificate is checked as
// api/certificate_trust.h says.
PendingRequest send_request_async(const HttpRequest& request, ReplyHandler handler);

// How many requests of the process have yet to be answered or cancelled.
std::size_t requests_in_flight() noexcept;

// A text put into a query value: everything but unreserved characters is
// percent-escaped, so a value cannot add parameters or a fragment.
std::string query_value(const char* text);

}  // namespace kesta

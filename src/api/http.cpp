#include "api/http.h"

#include <libsoup/soup.h>

#include <cstring>

#include "app/ptr.h"

namespace kesta {

namespace {

std::size_t in_flight = 0;

}  // namespace

class Exchange {
 public:
  ~Exchange() {
    // libsoup may still be inside this session's own callback: let it go
    // from the main loop.
    if (session) g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, [](gpointer) noexcept { return G_SOURCE_REMOVE; },
                                 session.release(), g_object_unref);
  }

  void uncount() noexcept {
    if (counted) --in_flight;
    counted = false;
  }
  void remove_sources() noexcept {
    if (deadline) g_source_remove(deadline);
    if (delivery) g_source_remove(delivery);
    deadline = delivery = 0;
  }

  RefPtr<SoupSession> session;
  RefPtr<SoupMessage> message;
  ReplyHandler handler;
  std::optional<HttpReply> reply;
  guint deadline = 0;
  guint delivery = 0;
  bool queued = false;    // libsoup has yet to call back
  bool timed_out = false;  // the deadline gave the reply; libsoup's comes too late
  bool counted = true;
};

namespace {

// The handler runs from an idle of its own rather than from libsoup's
// callback: it may open a modal dialog or drop the session.
gboolean deliver(gpointer data) noexcept {
  auto* exchange = static_cast<Exchange*>(data);
  exchange->delivery = 0;
  exchange->uncount();
  ReplyHandler handler = std::move(exchange->handler);
  exchange->handler = nullptr;
  std::optional<HttpReply> reply = std::move(exchange->reply);
  // The handler may drop the request, and with it the exchange.
  handler(std::move(reply));
  return G_SOURCE_REMOVE;
}

void on_message_finished(SoupSession*, SoupMessage* message, gpointer data) noexcept {
  std::unique_ptr<std::shared_ptr<Exchange>> hold(static_cast<std::shared_ptr<Exchange>*>(data));
  Exchange& exchange = **hold;
  exchange.queued = false;
  if (!exchange.handler || exchange.timed_out) return;
  exchange.remove_sources();
  HttpReply reply;
  reply.status = message->status_code;
  // Any real reply has a body, possibly empty; a transport failure has none.
  reply.has_body = !SOUP_STATUS_IS_TRANSPORT_ERROR(reply.status);
  SoupMessageBody* body = message->response_body;
  if (reply.has_body && body && body->data && body->length > 0)
    reply.body.assign(body->data, static_cast<std::size_t>(body->length));
  exchange.reply = std::move(reply);
  exchange.delivery = g_idle_add(deliver, &exchange);
}

// The timeout bounds the whole exchange, not each read: a service that
// trickles its reply fails as one that never answers.
gboolean on_deadline(gpointer data) noexcept {
  auto* exchange = static_cast<Exchange*>(data);
  exchange->deadline = 0;
  exchange->timed_out = true;
  // The failure of a read that timed out, given at once: libsoup notices an
  // abort only when the connection next stirs.
  exchange->reply = HttpReply{SOUP_STATUS_IO_ERROR, {}, false};
  exchange->delivery = g_idle_add(deliver, exchange);
  soup_session_abort(exchange->session.get());
  return G_SOURCE_REMOVE;
}

RefPtr<SoupMessage> new_message(const HttpRequest& request) {
  auto message = take_ref(soup_message_new(request.method, request.url.c_str()));
  if (!message) return message;
  SoupMessageHeaders* headers = message->request_headers;
  if (request.json_body || request.token) soup_message_headers_append(headers, "Content-Type", "application/json");
  // libsoup refuses a value with a line break (with a critical); the service
  // then answers 401, as it does for any token it does not know.
  if (request.token && !std::strpbrk(request.token, "\r\n")) {
    GCharPtr bearer(g_strdup_printf("Bearer %s", request.token));
    soup_message_headers_append(headers, "Authorization", bearer.get());
  }
  if (request.json_body) {
    soup_message_body_append(message->request_body, SOUP_MEMORY_COPY, request.json_body->data(),
                             request.json_body->size());
    soup_message_body_complete(message->request_body);
  }
  return message;
}

}  // namespace

PendingRequest& PendingRequest::operator=(PendingRequest&& other) noexcept {
  if (this != &other) {
    cancel();
    exchange_ = std::move(other.exchange_);
  }
  return *this;
}

void PendingRequest::cancel() noexcept {
  if (!exchange_) return;
  Exchange& exchange = *exchange_;
  exchange.handler = nullptr;
  exchange.remove_sources();
  exchange.uncount();
  // libsoup calls back later, with the cancelled status; that callback keeps
  // the exchange alive and ignores it.
  if (exchange.queued) soup_session_cancel_message(exchange.session.get(), exchange.message.get(), SOUP_STATUS_CANCELLED);
  exchange_.reset();
}

bool PendingRequest::pending() const noexcept { return exchange_ && exchange_->handler; }

PendingRequest send_request_async(const HttpRequest& request, ReplyHandler handler) {
  auto exchange = std::make_shared<Exchange>();
  ++in_flight;
  exchange->handler = std::move(handler);
  exchange->message = new_message(request);
  if (!exchange->message) {
    exchange->delivery = g_idle_add(deliver, exchange.get());
    return PendingRequest(std::move(exchange));
  }

  exchange->session = take_ref(soup_session_new());
  SoupSession* session = exchange->session.get();
  // No connection is shared between requests; certificate errors of a
  // self-signed service do not stop a request.
  g_object_set(session, "ssl-strict", FALSE, nullptr);
  soup_session_add_feature_by_type(session, SOUP_TYPE_CONTENT_SNIFFER);
  if (request.timeout)
    exchange->deadline = g_timeout_add_seconds(request.timeout, on_deadline, exchange.get());
  exchange->queued = true;
  soup_session_queue_message(session, static_cast<SoupMessage*>(g_object_ref(exchange->message.get())),
                             on_message_finished, new std::shared_ptr<Exchange>(exchange));
  return PendingRequest(std::move(exchange));
}

std::size_t requests_in_flight() noexcept { return in_flight; }

std::string query_value(const char* text) {
  GCharPtr escaped(g_uri_escape_string(text ? text : "", nullptr, FALSE));
  return escaped.get();
}

}  // namespace kesta

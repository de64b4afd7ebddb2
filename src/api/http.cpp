#include "api/http.h"

#include <libsoup/soup.h>

#include <cstring>

#include "base/i18n.h"
#include "base/ptr.h"

namespace kesta {

namespace {

std::size_t in_flight = 0;

// A reply larger than this is no reply of the service's.
constexpr goffset kMaxReplyBytes = goffset{32} << 20;
constexpr int kMaxRedirects = 20;

}  // namespace

class HttpExchange final : public Exchange {
 public:
  ~HttpExchange() override {
    if (message) g_signal_handlers_disconnect_by_data(message.get(), this);
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
    deadline.reset();
    delivery.reset();
  }

  void cancel() noexcept override {
    handler = nullptr;
    remove_sources();
    uncount();
    // libsoup calls back later, with the cancelled status; that callback
    // keeps the exchange alive and ignores it.
    if (queued) soup_session_cancel_message(session.get(), message.get(), SOUP_STATUS_CANCELLED);
  }
  bool pending() const noexcept override { return static_cast<bool>(handler); }

  RefPtr<SoupSession> session;
  RefPtr<SoupMessage> message;
  ReplyHandler handler;
  std::optional<HttpReply> reply;
  ChangeSlot certificate_change = std::make_shared<std::optional<CertificateChange>>();
  // The body of the current response, read chunk by chunk.
  std::string body;
  SourcePtr deadline;
  SourcePtr delivery;
  bool queued = false;    // libsoup has yet to call back
  int redirects = 0;
  bool given_up = false;  // the reply is a failure of ours; libsoup's comes too late
  bool counted = true;
};

namespace {

// The handler runs from an idle of its own rather than from libsoup's
// callback: it may open a modal dialog or drop the session.
gboolean deliver(gpointer data) noexcept {
  auto* exchange = static_cast<HttpExchange*>(data);
  exchange->uncount();
  ReplyHandler handler = std::move(exchange->handler);
  exchange->handler = nullptr;
  std::optional<HttpReply> reply = std::move(exchange->reply);
  // The handler may drop the request, and with it the exchange.
  handler(std::move(reply));
  return G_SOURCE_REMOVE;
}

void on_message_finished(SoupSession*, SoupMessage* message, gpointer data) noexcept {
  std::unique_ptr<std::shared_ptr<HttpExchange>> hold(static_cast<std::shared_ptr<HttpExchange>*>(data));
  HttpExchange& exchange = **hold;
  exchange.queued = false;
  if (!exchange.handler || exchange.given_up) return;
  exchange.remove_sources();
  HttpReply reply;
  reply.status = message->status_code;
  // Any real reply has a body, possibly empty; a transport failure has none.
  reply.has_body = !SOUP_STATUS_IS_TRANSPORT_ERROR(reply.status);
  if (reply.has_body)
    reply.body = std::move(exchange.body);
  else
    reply.certificate_change = *exchange.certificate_change;
  exchange.reply = std::move(reply);
  exchange.delivery = add_idle(deliver, &exchange);
}

// Ends the exchange as a failed read, at once: libsoup notices an abort
// only when the connection next stirs.
void give_up(HttpExchange* exchange) {
  if (exchange->given_up || !exchange->handler) return;
  exchange->given_up = true;
  exchange->remove_sources();
  exchange->body.clear();
  exchange->reply = HttpReply{SOUP_STATUS_IO_ERROR, {}, false, std::nullopt};
  exchange->delivery = add_idle(deliver, exchange);
  soup_session_abort(exchange->session.get());
}

// The timeout bounds the whole exchange, not each read: a service that
// trickles its reply fails as one that never answers.
gboolean on_deadline(gpointer data) noexcept {
  auto* exchange = static_cast<HttpExchange*>(data);
  give_up(exchange);
  return G_SOURCE_REMOVE;
}

bool same_origin(SoupURI* a, SoupURI* b) {
  return a && b && g_strcmp0(a->scheme, b->scheme) == 0 && soup_uri_host_equal(a, b) && a->port == b->port;
}

// Refuses a reply that announces itself larger than the limit.
void on_got_headers(SoupMessage* message, gpointer data) noexcept {
  auto* exchange = static_cast<HttpExchange*>(data);
  exchange->body.clear();
  if (soup_message_headers_get_content_length(message->response_headers) > kMaxReplyBytes) give_up(exchange);
}

// The token goes with every request: a redirect is followed only within the
// service (same scheme, host and port).  Any other ends the request with the
// redirect's own status.
void on_got_body(SoupMessage* message, gpointer data) noexcept {
  auto* exchange = static_cast<HttpExchange*>(data);
  if (exchange->given_up || !SOUP_STATUS_IS_REDIRECTION(message->status_code) ||
      exchange->redirects >= kMaxRedirects)
    return;
  const char* location = soup_message_headers_get_one(message->response_headers, "Location");
  SoupURI* target = location ? soup_uri_new_with_base(soup_message_get_uri(message), location) : nullptr;
  if (same_origin(soup_message_get_uri(message), target)) {
    ++exchange->redirects;
    // As browsers do: a 303, or a 301/302 answering a POST, is followed
    // with a GET.
    const guint status = message->status_code;
    if (status == SOUP_STATUS_SEE_OTHER ||
        (message->method == SOUP_METHOD_POST &&
         (status == SOUP_STATUS_MOVED_PERMANENTLY || status == SOUP_STATUS_FOUND))) {
      g_object_set(message, SOUP_MESSAGE_METHOD, SOUP_METHOD_GET, nullptr);
      soup_message_body_truncate(message->request_body);
      soup_message_headers_set_content_length(message->request_headers, 0);
    }
    soup_message_set_uri(message, target);
    soup_session_requeue_message(exchange->session.get(), message);
  }
  if (target) soup_uri_free(target);
}

// The body is kept here rather than by libsoup, so that an endless reply
// stops growing at the limit.
void on_got_chunk(SoupMessage*, SoupBuffer* chunk, gpointer data) noexcept {
  auto* exchange = static_cast<HttpExchange*>(data);
  if (exchange->given_up) return;
  if (static_cast<goffset>(exchange->body.size() + chunk->length) > kMaxReplyBytes) {
    give_up(exchange);
    return;
  }
  exchange->body.append(chunk->data, chunk->length);
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
  exchange_->cancel();
  exchange_.reset();
}

bool PendingRequest::pending() const noexcept { return exchange_ && exchange_->pending(); }

PendingRequest send_request_async(const HttpRequest& request, ReplyHandler handler) {
  auto exchange = std::make_shared<HttpExchange>();
  ++in_flight;
  exchange->handler = std::move(handler);
  exchange->message = new_message(request);
  if (!exchange->message) {
    exchange->delivery = add_idle(deliver, exchange.get());
    return PendingRequest(std::move(exchange));
  }

  soup_message_body_set_accumulate(exchange->message->response_body, FALSE);
  soup_message_set_flags(exchange->message.get(), SOUP_MESSAGE_NO_REDIRECT);
  g_signal_connect(exchange->message.get(), "got-headers", G_CALLBACK(on_got_headers), exchange.get());
  g_signal_connect(exchange->message.get(), "got-chunk", G_CALLBACK(on_got_chunk), exchange.get());
  g_signal_connect(exchange->message.get(), "got-body", G_CALLBACK(on_got_body), exchange.get());
  exchange->session = take_ref(soup_session_new());
  SoupSession* session = exchange->session.get();
  // No connection is shared between requests.
  check_certificates(session, exchange->message.get(), exchange->certificate_change);
  soup_session_add_feature_by_type(session, SOUP_TYPE_CONTENT_SNIFFER);
  if (request.timeout)
    exchange->deadline = add_timeout_seconds(request.timeout, on_deadline, exchange.get());
  exchange->queued = true;
  // libsoup takes the message's reference; on_message_finished takes back
  // its hold on the exchange.
  soup_session_queue_message(session, add_ref(exchange->message.get()).release(), on_message_finished,
                             std::make_unique<std::shared_ptr<HttpExchange>>(exchange).release());
  return PendingRequest(std::move(exchange));
}

std::size_t requests_in_flight() noexcept { return in_flight; }

std::string failed_reply_text(const HttpReply& reply) {
  if (reply.has_body) return reply.body;
  return reply.certificate_change ? certificate_change_message(*reply.certificate_change) : _("无法连接到服务器");
}

void print_unmade_request(const std::string& url) { g_print("创建HTTP消息失败，请检查URL格式: %s\n", url.c_str()); }

std::string query_value(const char* text) {
  GCharPtr escaped(g_uri_escape_string(text ? text : "", nullptr, FALSE));
  return escaped.get();
}

}  // namespace kesta

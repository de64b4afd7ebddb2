#include "api/http.h"

#include <libsoup/soup.h>

#include <cstring>

#include "app/ptr.h"

namespace kesta {

std::optional<HttpReply> send_request(const HttpRequest& request) {
  auto session = take_ref(soup_session_new());
  // No connection is shared between requests; certificate errors of a
  // self-signed service do not stop a request.
  g_object_set(session.get(), "ssl-strict", FALSE, nullptr);
  soup_session_add_feature_by_type(session.get(), SOUP_TYPE_CONTENT_SNIFFER);
  if (request.timeout) g_object_set(session.get(), "timeout", request.timeout, nullptr);

  auto message = take_ref(soup_message_new(request.method, request.url.c_str()));
  if (!message) return std::nullopt;

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

  HttpReply reply;
  reply.status = soup_session_send_message(session.get(), message.get());
  // Any real reply has a body, possibly empty; a transport failure has none.
  reply.has_body = !SOUP_STATUS_IS_TRANSPORT_ERROR(reply.status);
  SoupMessageBody* body = message->response_body;
  if (reply.has_body && body && body->data && body->length > 0)
    reply.body.assign(body->data, static_cast<std::size_t>(body->length));
  return reply;
}

std::string query_value(const char* text) {
  GCharPtr escaped(g_uri_escape_string(text ? text : "", nullptr, FALSE));
  return escaped.get();
}

}  // namespace kesta

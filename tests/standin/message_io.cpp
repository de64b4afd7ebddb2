#include "message_io.h"

#include "base/ptr.h"
#include "owned.h"

namespace kesta::test {

RecordedRequest record_message(SoupMessage* message, const char* path, GHashTable* query) {
  RecordedRequest request;
  request.method = message->method;
  request.path = path;
  const SoupURI* uri = soup_message_get_uri(message);
  if (uri->query) request.raw_query = uri->query;
  if (query) {
    g_hash_table_foreach(
        query,
        [](gpointer name, gpointer value, gpointer out) noexcept {
          (*static_cast<std::map<std::string, std::string>*>(out))[static_cast<const char*>(name)] =
              static_cast<const char*>(value);
        },
        &request.query);
  }
  soup_message_headers_foreach(
      message->request_headers,
      [](const char* name, const char* value, gpointer out) noexcept {
        auto& headers = *static_cast<HeaderMap*>(out);
        auto [it, added] = headers.try_emplace(name, value);
        if (!added) it->second.append(", ").append(value);
      },
      &request.headers);
  const SoupBufferPtr body(soup_message_body_flatten(message->request_body));
  request.body.assign(body->data, body->length);
  return request;
}

std::string describe(const RecordedRequest& request) {
  std::string line = request.method + " " + request.path;
  if (!request.raw_query.empty()) line += "?" + request.raw_query;
  if (!request.body.empty()) line += " " + request.body;
  return line;
}

void set_reply(SoupMessage* message, const Reply& reply) {
  soup_message_set_status(message, reply.status);
  if (reply.content_type.empty())
    soup_message_headers_remove(message->response_headers, "Content-Type");
  else
    soup_message_headers_replace(message->response_headers, "Content-Type", reply.content_type.c_str());
  if (!reply.location.empty()) soup_message_headers_replace(message->response_headers, "Location", reply.location.c_str());
  soup_message_body_append(message->response_body, SOUP_MEMORY_COPY, reply.body.data(), reply.body.size());
}

void cut_connection(SoupClientContext* client, const Reply& reply) {
  const RefPtr<GIOStream> stream = take_ref(soup_client_context_steal_connection(client));
  if (!stream) return;
  std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + soup_status_get_phrase(reply.status) + "\r\n";
  if (!reply.content_type.empty()) head += "Content-Type: " + reply.content_type + "\r\n";
  head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n";
  const std::string sent =
      reply.body.empty() ? head.substr(0, head.size() / 2) : head + reply.body.substr(0, reply.body.size() / 2);
  // The client may be gone already; the connection is closed either way.
  g_output_stream_write_all(g_io_stream_get_output_stream(stream.get()), sent.data(), sent.size(), nullptr, nullptr,
                            nullptr);
  g_io_stream_close(stream.get(), nullptr, nullptr);
}

}  // namespace kesta::test

#include "endpoint.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "api_paths.h"
#include "message_io.h"
#include "owned.h"

namespace kesta::test {

namespace {

// How long stopping waits for WebSockets to finish closing.
constexpr gint64 kDrainLimitUs = 2 * G_USEC_PER_SEC;

}  // namespace

Endpoint::Endpoint(const StandInOptions& options, GTlsCertificate* certificate, ServiceState& service,
                   ReplyScripts& scripts, RequestLog& log)
    : print_(options.print), log_(log), scripts_(scripts), router_(service), websockets_(log, options.print) {
  server_ = take_ref(soup_server_new(SOUP_SERVER_SERVER_HEADER, "kesta-standin", SOUP_SERVER_TLS_CERTIFICATE,
                                     certificate, nullptr));
  soup_server_add_handler(server_.get(), nullptr, on_request, this, nullptr);
  // The handshake path needs its own plain handler too: it runs before the
  // upgrade and can refuse it by setting a status.
  soup_server_add_handler(server_.get(), paths::kWebsocket, on_request, this, nullptr);
  soup_server_add_websocket_handler(server_.get(), paths::kWebsocket, nullptr, nullptr, on_websocket, this, nullptr);

  const auto listen_options = static_cast<SoupServerListenOptions>(
      SOUP_SERVER_LISTEN_IPV4_ONLY | (options.https ? SOUP_SERVER_LISTEN_HTTPS : 0));
  Error error;
  if (!soup_server_listen_local(server_.get(), options.port, listen_options, error))
    throw std::runtime_error(std::string("cannot listen on 127.0.0.1: ") + error.message_or("unknown error"));
  const UriListPtr uris(soup_server_get_uris(server_.get()));
  port_ = soup_uri_get_port(static_cast<SoupURI*>(uris->data));
}

Endpoint::~Endpoint() {
  FinalizeWatch watch;
  websockets_.release_all(watch);
  // Held requests finish with their connections here.
  soup_server_disconnect(server_.get());
  paused_.clear();
  trickles_.clear();
  server_.reset();
  drain(watch);
}

void Endpoint::on_request(SoupServer*, SoupMessage* message, const char* path, GHashTable* query,
                          SoupClientContext* client, gpointer self) noexcept {
  static_cast<Endpoint*>(self)->handle(message, path, query, client);
}

void Endpoint::on_websocket(SoupServer*, SoupWebsocketConnection* connection, const char*, SoupClientContext*,
                            gpointer self) noexcept {
  static_cast<Endpoint*>(self)->websockets_.adopt(connection);
}

void Endpoint::handle(SoupMessage* message, const char* path, GHashTable* query, SoupClientContext* client) {
  RecordedRequest request = record_message(message, path, query);
  if (print_) {
    std::printf("standin: %s\n", describe(request).c_str());
    std::fflush(stdout);
  }
  const PathScript script = scripts_.take(request.path);
  std::optional<Reply> reply = script.reply;
  // An accepted handshake has no reply of ours: libsoup answers it.
  if (!reply) reply = request.path == paths::kWebsocket ? router_.refuse_websocket(request) : router_.answer(request);
  log_.add_request(std::move(request));

  if (script.trickle) {
    trickles_.push_back(std::make_unique<Trickle>(client, *script.trickle, script.trickle_bytes));
    return;
  }
  if (script.cut) {
    cut_connection(client, reply.value_or(Reply{SOUP_STATUS_SWITCHING_PROTOCOLS, "", ""}));
    return;
  }
  if (reply) set_reply(message, *reply);
  if (script.hold)
    pause(message, std::nullopt);
  else if (script.delay.count() > 0)
    pause(message, script.delay);
}

void Endpoint::pause(SoupMessage* message, std::optional<std::chrono::milliseconds> delay) {
  paused_.push_back(std::make_unique<PausedMessage>(server_.get(), message, delay, [this](PausedMessage* done) {
    paused_.remove_if([done](const auto& held) { return held.get() == done; });
  }));
}

void Endpoint::drain(const FinalizeWatch& watch) {
  GMainContext* context = g_main_context_get_thread_default();
  // Wakes the blocking iterations below so that the time limit holds.
  const SourcePtr tick(
      g_timeout_source_new(50), [](gpointer) noexcept -> gboolean { return G_SOURCE_CONTINUE; }, nullptr, context);
  const gint64 limit = g_get_monotonic_time() + kDrainLimitUs;
  while (!watch.all_gone() && g_get_monotonic_time() < limit) g_main_context_iteration(context, TRUE);
  while (g_main_context_iteration(context, FALSE)) {
  }
}

}  // namespace kesta::test

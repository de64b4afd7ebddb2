#include "host/status_channel.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "api/certificate_trust.h"
#include "api/login_request.h"
#include "base/config.h"
#include "base/fixed_text.h"
#include "host/host_identity.h"
#include "host/status_message.h"
#include "host/status_url.h"

namespace kesta {

namespace {

constexpr guint kHandshakeTimeoutSeconds = 10;
constexpr guint kReportIntervalMs = 10000;
constexpr guint kReconnectDelayMs = 3000;
// Handshakes in a row that may fail before the channel gives up.
constexpr gint32 kMaxFailures = 5;
// libsoup takes no message larger than this.
constexpr std::size_t kMaxLoggedMessage = 128 * 1024;
// Of a message from the service the log keeps its beginning.
constexpr std::size_t kMaxLoggedMessageStart = 1000;

std::unique_ptr<StatusChannel> channel;

void open_connection(const std::string& username);

// Takes over the reference of a connection that is closing.
void drop_when_closed(SoupWebsocketConnection* connection, gpointer) noexcept { g_object_unref(connection); }

// Lets go of a connection for good.  One that is still open is closed
// normally; the reference goes with its closing handshake and is dropped
// when it reports "closed", so that the close frame still goes out.
void let_go(RefPtr<SoupWebsocketConnection> connection) noexcept {
  if (!connection) return;
  const SoupWebsocketState state = soup_websocket_connection_get_state(connection.get());
  if (state == SOUP_WEBSOCKET_STATE_CLOSED) return;
  SoupWebsocketConnection* closing = connection.release();
  g_signal_connect(closing, "closed", G_CALLBACK(drop_when_closed), nullptr);
  // A close the server began is already under way.
  if (state == SOUP_WEBSOCKET_STATE_OPEN)
    soup_websocket_connection_close(closing, SOUP_WEBSOCKET_CLOSE_NORMAL, nullptr);
}

// The channel's connection, out of the record and without our handlers: a
// "closed" it reports later concerns no current state.
RefPtr<SoupWebsocketConnection> take_connection() noexcept {
  RefPtr<SoupWebsocketConnection> connection = std::move(channel->connection);
  if (connection) g_signal_handlers_disconnect_by_data(connection.get(), channel.get());
  return connection;
}

gboolean on_reconnect_timer(gpointer) noexcept {
  channel->reconnect_timer.reset();
  status_channel_connect();
  return G_SOURCE_REMOVE;
}

void schedule_reconnect() noexcept {
  if (channel->failures < kMaxFailures)
    channel->reconnect_timer = add_timeout(kReconnectDelayMs, on_reconnect_timer, nullptr);
}

// The number of messages that the budget left out of the log, if any.
void print_omitted() noexcept {
  if (!channel || channel->omitted_messages == 0) return;
  g_print("已省略%zu条WebSocket消息\n", channel->omitted_messages);
  channel->omitted_messages = 0;
}

void on_message(SoupWebsocketConnection*, gint type, GBytes* message, gpointer) noexcept {
  if (type != SOUP_WEBSOCKET_DATA_TEXT) return;
  if (!channel->message_lines.take(g_get_monotonic_time())) {
    ++channel->omitted_messages;
    return;
  }
  print_omitted();
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(message, &size));
  const std::string text = readable_text(std::string_view(data ? data : "", size), kMaxLoggedMessageStart);
  if (size > kMaxLoggedMessageStart)
    g_print("收到WebSocket消息: %s（共%zu字节）\n", text.c_str(), static_cast<std::size_t>(size));
  else
    g_print("收到WebSocket消息: %s\n", text.c_str());
}

void on_closed(SoupWebsocketConnection*, gpointer) noexcept {
  print_omitted();
  g_print("WebSocket连接已关闭\n");
  let_go(take_connection());
  channel->report_timer.reset();
  schedule_reconnect();
}

void handshake_failed(const char* reason) noexcept {
  g_print("WebSocket连接失败: %s\n", readable_text(reason, kMaxLoggedMessage).c_str());
  ++channel->failures;
  schedule_reconnect();
}

// The handshake, held in a PendingRequest as every request is: dropping it
// cancels the attempt, and libsoup's late callback then finds no handler.
class WebsocketHandshake final : public Exchange {
 public:
  // The connection, or null and the reason it failed.
  using Done = std::function<void(RefPtr<SoupWebsocketConnection> connection, const char* failure)>;

  static PendingRequest start(SoupSession* session, SoupMessage* message, guint timeout_seconds, Done done) {
    auto handshake = std::make_shared<WebsocketHandshake>();
    handshake->session_ = add_ref(session);
    handshake->done_ = std::move(done);
    handshake->deadline_ = add_timeout_seconds(timeout_seconds, on_deadline, handshake.get());
    soup_session_websocket_connect_async(session, message, nullptr, nullptr, handshake->cancellable_.get(), on_finished,
                                         std::make_unique<std::shared_ptr<WebsocketHandshake>>(handshake).release());
    return PendingRequest(std::move(handshake));
  }

  void cancel() noexcept override { end(); }
  bool pending() const noexcept override { return static_cast<bool>(done_); }

 private:
  // The handler, taken out so that libsoup's callback finds none, and the
  // attempt cancelled.  libsoup may answer a cancel only when the connection
  // next stirs: at the time limit the handler is told at once, from here.
  Done end() noexcept {
    Done done = std::move(done_);
    done_ = nullptr;
    deadline_.reset();
    g_cancellable_cancel(cancellable_.get());
    return done;
  }

  static void on_finished(GObject* source, GAsyncResult* result, gpointer data) noexcept {
    std::unique_ptr<std::shared_ptr<WebsocketHandshake>> hold(static_cast<std::shared_ptr<WebsocketHandshake>*>(data));
    Error error;
    auto connection = take_ref(soup_session_websocket_connect_finish(SOUP_SESSION(source), result, error));
    WebsocketHandshake& handshake = **hold;
    if (!handshake.done_) {
      let_go(std::move(connection));
      return;
    }
    handshake.deadline_.reset();
    Done done = std::move(handshake.done_);
    handshake.done_ = nullptr;
    done(std::move(connection), error.message_or("未知错误"));
  }

  // A service that takes the connection but never answers the handshake
  // fails the attempt at the limit, like every other request.
  static gboolean on_deadline(gpointer data) noexcept {
    const Done done = static_cast<WebsocketHandshake*>(data)->end();
    done(nullptr, "连接超时");
    return G_SOURCE_REMOVE;
  }

  RefPtr<SoupSession> session_;  // the attempt runs on it until its callback
  RefPtr<GCancellable> cancellable_ = take_ref(g_cancellable_new());
  Done done_;
  SourcePtr deadline_;
};

void on_handshake(RefPtr<SoupWebsocketConnection> connection, const char* failure) noexcept {
  if (!connection) {
    handshake_failed(failure);
    return;
  }
  g_print("WebSocket连接成功\n");
  channel->failures = 0;
  channel->connection = std::move(connection);
  g_signal_connect(channel->connection.get(), "message", G_CALLBACK(on_message), channel.get());
  g_signal_connect(channel->connection.get(), "closed", G_CALLBACK(on_closed), channel.get());
  channel->report_timer = add_timeout(kReportIntervalMs, send_status_report, nullptr);
}

}  // namespace

void status_channel_start() { status_channel_start(get_mac_address); }

void status_channel_start(MacSource mac_source) {
  status_channel_stop();
  channel = std::make_unique<StatusChannel>();
  channel->mac_source = mac_source;
  if (app_config.server_address[0]) status_channel_connect();
}

void status_channel_start_once() {
  static bool started = false;
  if (started) return;
  started = true;
  status_channel_start();
}

void status_channel_connect() {
  if (!channel || !app_config.server_address[0]) return;
  status_channel_teardown();

  const GCharPtr mac = channel->mac_source();
  if (!mac) {
    g_print("无法获取MAC地址，websocket连接失败\n");
    return;
  }
  std::string username = mac_login_name(mac.get());
  channel->token_request = fetch_access_token_async(app_config.server_address, username.c_str(), mac.get(),
                                                    [username] { open_connection(username); });
}

void status_channel_teardown() {
  if (!channel) return;
  channel->token_request.cancel();
  channel->handshake.cancel();
  channel->report_timer.reset();
  channel->reconnect_timer.reset();
  let_go(take_connection());
  channel->session.reset();
}

namespace {

void open_connection(const std::string& username) {
  g_print("使用MAC登录: %s\n", username.c_str());
  if (!global_token) {
    g_print("无法获取token，websocket连接失败\n");
    return;
  }

  const std::string url = status_channel_url(app_config.server_address, global_token.get());
  // The token is the service's text, as it sent it.
  g_print("WebSocket URL: %s\n", readable_text(url, kMaxLoggedMessage).c_str());
  channel->session = take_ref(soup_session_new());
  auto message = take_ref(soup_message_new("GET", url.c_str()));
  if (!message) {
    g_print("无法创建WebSocket消息\n");
    return;
  }
  // Checked as for every request: a refused certificate fails the
  // handshake, and that counts as a failed attempt.
  check_certificates(channel->session.get(), message.get(), nullptr);
  channel->handshake =
      WebsocketHandshake::start(channel->session.get(), message.get(), kHandshakeTimeoutSeconds, on_handshake);
}

}  // namespace

void status_channel_stop() {
  status_channel_teardown();
  channel.reset();
}

gboolean send_status_report(gpointer) noexcept {
  if (!channel || !channel->connection) return G_SOURCE_REMOVE;
  // While a close is under way nothing can be sent; "closed" ends the timer.
  if (soup_websocket_connection_get_state(channel->connection.get()) != SOUP_WEBSOCKET_STATE_OPEN)
    return G_SOURCE_CONTINUE;
  print_omitted();
  const GCharPtr host_name = get_host_name();
  const std::string text = status_message(host_name.get());
  g_print("发送系统状态: %s\n", text.c_str());
  soup_websocket_connection_send_text(channel->connection.get(), text.c_str());
  return G_SOURCE_CONTINUE;
}

const StatusChannel* status_channel() noexcept { return channel.get(); }

}  // namespace kesta

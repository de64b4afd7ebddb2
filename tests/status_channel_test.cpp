#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "api/login_request.h"
#include "base/config.h"
#include "base/fixed_text.h"
#include "base/json_read.h"
#include "host/host_identity.h"
#include "host/status_channel.h"
#include "host/status_url.h"
#include "stand_in.h"
#include "support/client_fixture.h"
#include "support/print_capture.h"
#include "support/spin.h"

namespace kesta {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr char kMac[] = "0A:1B:2C:3D:4E:5F";
constexpr char kMacUser[] = "0A:1B:2C:3D:4E:5F@mac";

GCharPtr fixed_mac() { return GCharPtr(g_strdup(kMac)); }
GCharPtr no_mac() { return nullptr; }

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::size_t count_lines(const std::string& text, const std::string& line) {
  std::size_t n = 0;
  for (const std::string& l : lines_of(text)) n += l == line;
  return n;
}

bool starts_with(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

// The members of a JSON object text, in the order written.
std::vector<std::string> member_names(const std::string& text) {
  Error error;
  JsonDocument document(text, error);
  std::vector<std::string> names;
  if (JsonObject* object = document.root_object()) {
    GList* members = json_object_get_members(object);
    for (GList* m = members; m; m = m->next) names.emplace_back(static_cast<const char*>(m->data));
    g_list_free(members);
  }
  return names;
}

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

bool source_exists(guint id) { return id && g_main_context_find_source_by_id(nullptr, id); }

// Standard output of the test, read piece by piece.
class Printed {
 public:
  Printed() { test::capture_prints(); }
  ~Printed() { test::captured_prints(); }
  Printed(const Printed&) = delete;
  Printed& operator=(const Printed&) = delete;

  // What was printed since construction or the last take.
  std::string take() {
    std::string text = test::captured_prints();
    test::capture_prints();
    return text;
  }
};

class StatusChannelTest : public testing::Test {
 protected:
  void SetUp() override {
    apply_config_defaults(app_config);
    global_token.reset();
  }
  void TearDown() override {
    status_channel_stop();
    service_.reset();
  }

  // A (new) stand-in that signs in MAC addresses; the client points at it.
  void serve(bool https) {
    service_ = std::make_unique<test::StandIn>(test::StandInOptions{.https = https});
    service_->service().accept_mac_logins(true);
    copy_fixed(app_config.server_address, service_->url());
  }
  const StatusChannel& channel() const { return *status_channel(); }
  test::RequestLog& received() { return service_->received(); }
  bool connected() const { return status_channel() && status_channel()->connection; }
  // No timer, no connection, no handshake under way.
  void expect_idle() const {
    ASSERT_NE(status_channel(), nullptr);
    EXPECT_EQ(channel().report_timer, 0u);
    EXPECT_EQ(channel().reconnect_timer, 0u);
    EXPECT_EQ(channel().connection, nullptr);
  }
  std::string mac_token() const { return test::ServiceState::mac_token(kMac); }

  std::unique_ptr<test::StandIn> service_;
};

TEST(StatusChannelUrl, EveryFormOfServerAddress) {
  struct Row {
    const char* address;
    const char* url;
  };
  const Row rows[] = {
      {"https://127.0.0.1:8443", "wss://127.0.0.1:8443/ws/client?token=Bearer%20tok.en-1"},
      {"http://vdi.example.org:8080", "ws://vdi.example.org:8080/ws/client?token=Bearer%20tok.en-1"},
      {"vdi.example.org:8443", "wss://vdi.example.org:8443/ws/client?token=Bearer%20tok.en-1"},
      {"https://vdi.example.org/base", "wss://vdi.example.org/base/ws/client?token=Bearer%20tok.en-1"},
      {"HTTP://vdi", "wss://HTTP://vdi/ws/client?token=Bearer%20tok.en-1"},
      {"", "wss:///ws/client?token=Bearer%20tok.en-1"},
  };
  for (const Row& row : rows) EXPECT_EQ(status_channel_url(row.address, "tok.en-1"), row.url) << row.address;

  EXPECT_EQ(status_channel_url("http://h", "a b&c=%"), "ws://h/ws/client?token=Bearer%20a b&c=%")
      << "the token goes in unescaped";
  const std::string url = status_channel_url("https://h", std::string(600, 't'));
  EXPECT_EQ(url.size(), 511u);
  EXPECT_TRUE(starts_with(url, "wss://h/ws/client?token=Bearer%20ttt"));
}

TEST(LineBudget, TenLinesInAnyTenSeconds) {
  constexpr gint64 kSecond = G_USEC_PER_SEC;
  struct Row {
    gint64 at;
    bool printed;
  };
  // Ten at once, then none until the first of them is ten seconds old; the
  // budget slides with each line that went out.
  std::vector<Row> rows;
  for (int i = 0; i < 10; ++i) rows.push_back({i, true});
  rows.insert(rows.end(), {{20, false}, {10 * kSecond - 1, false}, {10 * kSecond, true}, {10 * kSecond + 1, true},
                           {10 * kSecond + 1, false}, {25 * kSecond, true}});
  LineBudget budget(10, 10 * kSecond);
  for (const Row& row : rows) EXPECT_EQ(budget.take(row.at), row.printed) << row.at;
}

TEST_F(StatusChannelTest, StopWithoutAChannelDoesNothing) {
  status_channel_stop();
  status_channel_teardown();
  status_channel_connect();
  EXPECT_EQ(status_channel(), nullptr);
  EXPECT_FALSE(send_status_report(nullptr)) << "no channel: the report timer would end";
}

TEST_F(StatusChannelTest, WithoutServerAddressTheChannelWaits) {
  Printed out;
  status_channel_start(fixed_mac);
  EXPECT_EQ(out.take(), "");
  expect_idle();
  EXPECT_EQ(channel().session, nullptr);
}

TEST_F(StatusChannelTest, WithoutMacAddressTheAttemptEnds) {
  serve(false);
  Printed out;
  status_channel_start(no_mac);
  // Nothing is to follow (no sign-in, no handshake): a time, not a condition.
  test::spin_for(100ms);
  EXPECT_EQ(out.take(), "无法获取MAC地址，websocket连接失败\n");
  expect_idle();
  EXPECT_EQ(channel().session, nullptr);
  EXPECT_TRUE(received().requests().empty()) << "no sign-in, no handshake";
  status_channel_stop();
  EXPECT_EQ(status_channel(), nullptr);
}

TEST_F(StatusChannelTest, RefusedMacSignInEndsTheAttempt) {
  serve(false);
  service_->service().accept_mac_logins(false);
  Printed out;
  status_channel_start(fixed_mac);
  test::wait_for_requests();
  // Nothing is to follow the refusal (no handshake, no timer): a time, not a condition.
  test::spin_for(100ms);
  EXPECT_EQ(lines_of(out.take()),
            std::vector<std::string>({"登录失败: 用户名或密码错误", std::string("使用MAC登录: ") + kMacUser,
                                      "无法获取token，websocket连接失败"}));
  expect_idle();
  EXPECT_EQ(global_token, nullptr);
  const auto login = received().last(test::paths::kLogin);
  ASSERT_TRUE(login);
  EXPECT_EQ(login->body, std::string(R"({"username":")") + kMacUser + R"(","password":")" + kMac + "\"}");
  EXPECT_EQ(received().count(test::paths::kWebsocket), 0u);
}

TEST_F(StatusChannelTest, AnAddressThatMakesNoUrlEndsTheAttempt) {
  global_token.reset(g_strdup("earlier"));
  copy_fixed(app_config.server_address, "http://[");
  Printed out;
  status_channel_start(fixed_mac);
  test::wait_for_requests();
  EXPECT_EQ(lines_of(out.take()),
            std::vector<std::string>({"创建HTTP消息失败，请检查URL格式: http://[/api/custom/login",
                                      std::string("使用MAC登录: ") + kMacUser,
                                      "WebSocket URL: ws://[/ws/client?token=Bearer%20earlier",
                                      "无法创建WebSocket消息"}));
  expect_idle();
  EXPECT_STREQ(global_token.get(), "earlier") << "a failed fetch keeps the earlier token";
}

TEST_F(StatusChannelTest, ConnectsForEveryFormOfServerAddress) {
  // https:// with a self-signed certificate, pinned by the sign-in.
  serve(true);
  Printed out;
  status_channel_start(fixed_mac);
  ASSERT_TRUE(test::spin_until([&] { return connected(); }));
  const std::string host_port = "127.0.0.1:" + std::to_string(service_->port());
  const std::string url = "wss://" + host_port + "/ws/client?token=Bearer%20" + mac_token();
  const char* pin = find_trusted_certificate(app_config, host_port);
  ASSERT_NE(pin, nullptr);
  EXPECT_EQ(lines_of(out.take()), std::vector<std::string>({"已信任服务器证书: " + host_port + " " + pin,
                                                            std::string("使用MAC登录: ") + kMacUser,
                                                            "WebSocket URL: " + url, "WebSocket连接成功"}));
  EXPECT_STREQ(global_token.get(), mac_token().c_str());
  const auto handshake = received().last(test::paths::kWebsocket);
  ASSERT_TRUE(handshake);
  EXPECT_EQ(handshake->raw_query, "token=Bearer%20" + mac_token());
  EXPECT_EQ(handshake->query.at("token"), "Bearer " + mac_token());
  EXPECT_NE(channel().report_timer, 0u);
  EXPECT_EQ(channel().reconnect_timer, 0u);
  EXPECT_EQ(channel().failures, 0);

  // The same service named without a scheme: the sign-in cannot be sent,
  // the earlier token still opens wss://.
  copy_fixed(app_config.server_address, "127.0.0.1:" + std::to_string(service_->port()));
  status_channel_start(fixed_mac);
  ASSERT_TRUE(test::spin_until([&] { return connected() && received().websocket_handshakes() == 2; }));
  const std::string printed = out.take();
  EXPECT_EQ(count_lines(printed, "WebSocket URL: " + url), 1u) << printed;
  EXPECT_EQ(count_lines(printed, "WebSocket连接成功"), 1u) << printed;
  EXPECT_TRUE(test::spin_until([&] { return received().open_websockets() == 1; }))
      << "the earlier channel's connection was closed";

  // http://
  serve(false);
  status_channel_start(fixed_mac);
  ASSERT_TRUE(test::spin_until([&] { return connected(); }));
  EXPECT_EQ(count_lines(out.take(), "WebSocket URL: ws://127.0.0.1:" + std::to_string(service_->port()) +
                                        "/ws/client?token=Bearer%20" + mac_token()),
            1u);
  EXPECT_EQ(received().websocket_handshakes(), 1u);

  const guint report_timer = channel().report_timer;
  status_channel_stop();
  EXPECT_EQ(status_channel(), nullptr);
  EXPECT_FALSE(source_exists(report_timer));
  EXPECT_TRUE(test::spin_until([&] { return received().open_websockets() == 0; }))
      << "the connection is closed, not just dropped";
}

TEST_F(StatusChannelTest, StopLeavesNothingBehindWhileConnectingOrWaiting) {
  serve(false);
  // Connecting: the service never answers the handshake.
  service_->scripts().hold(test::paths::kWebsocket);
  Printed out;
  status_channel_start(fixed_mac);
  ASSERT_TRUE(test::spin_until([&] { return received().count(test::paths::kWebsocket) == 1; }));
  status_channel_stop();
  // Time for a failure to be reported, were the abandoned attempt to report one.
  test::spin_for(200ms);
  std::string printed = out.take();
  EXPECT_EQ(count_lines(printed, "WebSocket连接成功"), 0u) << printed;
  EXPECT_EQ(printed.find("WebSocket连接失败"), std::string::npos) << "an abandoned attempt is not a failure";
  EXPECT_EQ(status_channel(), nullptr);

  // Waiting to reconnect after a refused handshake.
  service_->scripts().clear_all();
  service_->scripts().force_reply(test::paths::kWebsocket, test::Reply{403, "no", "text/plain"});
  status_channel_start(fixed_mac);
  ASSERT_TRUE(test::spin_until([&] { return channel().failures == 1; }));
  printed = out.take();
  EXPECT_EQ(lines_of(printed).back().rfind("WebSocket连接失败: ", 0), 0u) << printed;
  const guint reconnect_timer = channel().reconnect_timer;
  EXPECT_TRUE(source_exists(reconnect_timer));
  EXPECT_EQ(channel().report_timer, 0u);
  status_channel_stop();
  EXPECT_FALSE(source_exists(reconnect_timer));
}

TEST_F(StatusChannelTest, ALateCloseOfATornDownConnectionChangesNothing) {
  serve(false);
  Printed out;
  status_channel_start(fixed_mac);
  ASSERT_TRUE(test::spin_until([&] { return connected(); }));
  const RefPtr<SoupWebsocketConnection> first = add_ref(channel().connection.get());

  // A new attempt tears the open connection down first.
  status_channel_connect();
  ASSERT_TRUE(test::spin_until([&] {
    return connected() && soup_websocket_connection_get_state(first.get()) == SOUP_WEBSOCKET_STATE_CLOSED;
  }));
  // Time for the old connection's close to come through, were it to change anything.
  test::spin_for(100ms);
  const std::string printed = out.take();
  EXPECT_NE(channel().connection.get(), first.get());
  EXPECT_EQ(count_lines(printed, "WebSocket连接已关闭"), 0u) << printed;
  EXPECT_EQ(count_lines(printed, "WebSocket连接成功"), 2u) << printed;
  EXPECT_NE(channel().report_timer, 0u);
  EXPECT_EQ(channel().reconnect_timer, 0u);
  EXPECT_EQ(received().websocket_handshakes(), 2u);
  EXPECT_TRUE(test::spin_until([&] { return received().open_websockets() == 1; }));
}

TEST_F(StatusChannelTest, WhatTheServerSendsIsOnlyLogged) {
  serve(true);
  Printed out;
  status_channel_start(fixed_mac);
  ASSERT_TRUE(test::spin_until([&] { return connected() && received().open_websockets() == 1; }));
  out.take();

  // Each message is one line: control characters are printed escaped.
  struct Row {
    std::string sent;
    std::string printed;
  } rows[] = {
      {"", ""},
      {"%s%s%n%d%%", "%s%s%n%d%%"},
      {"多字节 ✓ 🚀 \u202e", "多字节 ✓ 🚀 \u202e"},
      {"line1\nline2\r\n\t\x01\x1b[2J\x07", "line1\\x0aline2\\x0d\\x0a\\x09\\x01\\x1b[2J\\x07"},
      {"\u009b31m", "\\u009b31m"},
      {R"({"type":"command","action":"shutdown","vmid":null})", R"({"type":"command","action":"shutdown","vmid":null})"},
      {std::string(100000, 'x') + "末", std::string(1000, 'x') + "…（共100003字节）"},
      {std::string(999, 'x') + "末", std::string(999, 'x') + "…（共1002字节）"},
      {"end of the odd ones", "end of the odd ones"},
  };
  test::PrintCapture printed;
  for (const Row& row : rows) ASSERT_EQ(service_->send_websocket_text(row.sent), 1u);
  ASSERT_TRUE(test::spin_until([&] { return printed.count("收到WebSocket消息: end of the odd ones") == 1; }));
  std::vector<std::string> expected;
  for (const Row& row : rows) expected.push_back("收到WebSocket消息: " + row.printed);
  EXPECT_EQ(printed.lines(), expected);
  out.take();
  EXPECT_TRUE(connected());
  EXPECT_EQ(channel().reconnect_timer, 0u);

  // Beyond libsoup's limit for one message (128 KiB) the connection is
  // dropped, and made again like any lost one.
  ASSERT_EQ(service_->send_websocket_text(std::string(300000, 'y')), 1u);
  ASSERT_TRUE(test::spin_until([&] { return !connected(); }));
  EXPECT_EQ(out.take(), "WebSocket连接已关闭\n");
  EXPECT_EQ(channel().report_timer, 0u);
  const guint reconnect_timer = channel().reconnect_timer;
  EXPECT_TRUE(source_exists(reconnect_timer));
  status_channel_stop();
  EXPECT_FALSE(source_exists(reconnect_timer));
}

TEST_F(StatusChannelTest, NothingIsSentWhileTheConnectionCloses) {
  serve(false);
  Printed out;
  status_channel_start(fixed_mac);
  ASSERT_TRUE(test::spin_until([&] { return connected() && received().open_websockets() == 1; }));
  out.take();

  const RefPtr<SoupWebsocketConnection> connection = add_ref(channel().connection.get());
  ASSERT_EQ(service_->close_websockets(), 1u);
  ASSERT_TRUE(test::spin_until(
      [&] { return soup_websocket_connection_get_state(connection.get()) != SOUP_WEBSOCKET_STATE_OPEN; }));
  ASSERT_TRUE(connected()) << "\"closed\" has not come yet";
  EXPECT_TRUE(send_status_report(nullptr)) << "the report timer stays until \"closed\"";
  EXPECT_EQ(out.take(), "");

  ASSERT_TRUE(test::spin_until([&] { return !connected(); }));
  EXPECT_EQ(out.take(), "WebSocket连接已关闭\n");
  EXPECT_EQ(channel().report_timer, 0u);
  EXPECT_NE(channel().reconnect_timer, 0u);
}

// The tests below wait for the channel's real timers: the 10-second token
// fetch, 3-second retries, 10-second reports.

TEST_F(StatusChannelTest, TheTokenFetchGivesUpAfterTenSeconds) {
  serve(false);
  service_->scripts().hold(test::paths::kLogin);
  Printed out;
  const auto start = Clock::now();
  status_channel_start(fixed_mac);
  EXPECT_LT(seconds_since(start), 1.0) << "the fetch runs on the main loop, holding nothing";
  test::wait_for_requests();
  const double waited = seconds_since(start);
  const std::vector<std::string> printed = lines_of(out.take());
  EXPECT_GE(waited, 9.5);
  EXPECT_LT(waited, 13.0) << "the fetch gives up at its timeout";
  ASSERT_GE(printed.size(), 2u);
  EXPECT_EQ(printed[printed.size() - 2], std::string("使用MAC登录: ") + kMacUser);
  EXPECT_EQ(printed.back(), "无法获取token，websocket连接失败");
  expect_idle();
  EXPECT_EQ(received().count(test::paths::kWebsocket), 0u);
}

// The first report of the process, so it has no "cpu" yet.
TEST_F(StatusChannelTest, ReportsEveryTenSecondsAndReconnectsAfterAClose) {
  serve(true);
  service_->scripts().force_reply(test::paths::kWebsocket, test::Reply{403, "no", "text/plain"},
                                  test::Repeat::Once);
  Printed out;
  status_channel_start(fixed_mac);
  ASSERT_TRUE(test::spin_until([&] { return channel().failures == 1; }));
  const auto failed = Clock::now();
  EXPECT_NE(channel().reconnect_timer, 0u);

  ASSERT_TRUE(test::spin_until([&] { return connected(); }, 5s));
  EXPECT_GE(seconds_since(failed), 2.9) << "a refused handshake is retried after 3 s";
  EXPECT_EQ(channel().failures, 0) << "a success resets the count";
  const auto opened = Clock::now();

  ASSERT_TRUE(test::spin_until([&] { return received().websocket_messages().size() == 1; }, 12s));
  const double first_after = seconds_since(opened);
  ASSERT_TRUE(test::spin_until([&] { return received().websocket_messages().size() == 2; }, 12s));
  const auto messages = received().websocket_messages();
  const double interval = std::chrono::duration<double>(messages[1].received - messages[0].received).count();
  EXPECT_GE(first_after, 9.5);
  EXPECT_LT(first_after, 11.5);
  EXPECT_GE(interval, 9.5);
  EXPECT_LT(interval, 10.5);
  const GCharPtr host = get_host_name();
  EXPECT_EQ(member_names(messages[0].text), std::vector<std::string>({"type", "memory", "hostname"}))
      << messages[0].text;
  EXPECT_EQ(member_names(messages[1].text), std::vector<std::string>({"type", "memory", "cpu", "hostname"}))
      << messages[1].text;
  for (const auto& message : messages) {
    EXPECT_TRUE(starts_with(message.text, R"({"type":"status","memory":)")) << message.text;
    EXPECT_NE(message.text.find(std::string(R"("hostname":")") + host.get() + "\"}"), std::string::npos)
        << message.text;
  }

  // The service closes the open connection.
  ASSERT_EQ(service_->close_websockets(), 1u);
  ASSERT_TRUE(test::spin_until([&] { return !connected(); }));
  const auto closed = Clock::now();
  EXPECT_EQ(channel().report_timer, 0u);
  EXPECT_NE(channel().reconnect_timer, 0u);
  ASSERT_TRUE(test::spin_until([&] { return connected(); }, 6s));
  EXPECT_GE(seconds_since(closed), 2.9);
  EXPECT_LT(seconds_since(closed), 5.0);
  EXPECT_EQ(received().websocket_handshakes(), 2u);

  const std::string printed = out.take();
  EXPECT_EQ(count_lines(printed, "WebSocket连接成功"), 2u) << printed;
  EXPECT_EQ(count_lines(printed, "WebSocket连接已关闭"), 1u) << printed;
  EXPECT_EQ(count_lines(printed, "发送系统状态: " + messages[0].text), 1u) << printed;
  EXPECT_EQ(count_lines(printed, "发送系统状态: " + messages[1].text), 1u) << printed;

  const guint report_timer = channel().report_timer;
  status_channel_stop();
  EXPECT_FALSE(source_exists(report_timer));
}

TEST_F(StatusChannelTest, GivesUpAfterFiveRefusedHandshakes) {
  serve(false);
  service_->scripts().force_reply(test::paths::kWebsocket, test::Reply{403, "no", "text/plain"});
  Printed out;
  const auto start = Clock::now();
  status_channel_start(fixed_mac);
  ASSERT_TRUE(test::spin_until([&] { return channel().failures == 5; }, 16s));
  EXPECT_GE(seconds_since(start), 11.8) << "four pauses of 3 s";
  EXPECT_EQ(channel().reconnect_timer, 0u) << "given up";
  // Longer than a pause: a sixth attempt would have come by then.
  test::spin_for(3500ms);
  const std::string printed = out.take();
  EXPECT_EQ(received().count(test::paths::kWebsocket), 5u);
  EXPECT_EQ(received().count(test::paths::kLogin), 5u) << "every attempt signs in anew";
  std::size_t failures = 0;
  for (const std::string& line : lines_of(printed)) failures += starts_with(line, "WebSocket连接失败: ");
  EXPECT_EQ(failures, 5u) << printed;
  expect_idle();
  status_channel_stop();
  EXPECT_EQ(status_channel(), nullptr);
}

// Sign-in through the login window starts the channel, once per run.
class StatusChannelStart : public test::ClientFixture {
 protected:
  void TearDown() override {
    status_channel_stop();
    ClientFixture::TearDown();
  }
};

TEST_F(StatusChannelStart, FirstSignInStartsTheChannelOnce) {
  Printed out;
  const GCharPtr mac = get_mac_address();
  if (!mac) GTEST_SKIP() << "this machine has no usable network interface";
  service_->service().accept_mac_logins(true);
  sign_in();
  ASSERT_NE(record(), nullptr);
  ASSERT_NE(status_channel(), nullptr);
  const StatusChannel* started = status_channel();
  ASSERT_TRUE(test::spin_until([&] { return status_channel()->connection != nullptr; }));
  EXPECT_STREQ(global_token.get(), test::ServiceState::mac_token(mac.get()).c_str())
      << "the channel's own token, not the user's";

  sign_in();
  // Time for a second channel to start, were the second sign-in to start one.
  test::spin_for(300ms);
  EXPECT_EQ(status_channel(), started);
  EXPECT_EQ(service_->received().websocket_handshakes(), 1u);
  std::size_t mac_logins = 0;
  for (const auto& login : service_->received().requests_to(test::paths::kLogin))
    mac_logins += login.body.find("@mac") != std::string::npos;
  EXPECT_EQ(mac_logins, 1u);
}

}  // namespace
}  // namespace kesta

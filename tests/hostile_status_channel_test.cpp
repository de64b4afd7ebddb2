// The status channel against a service that sends frames of ten megabytes
// (the connection is dropped, as libsoup takes messages of up to 128 KiB, and
// made again), that floods it with messages, or that never answers the
// handshake: the log stays small, and the reports go on.
#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <memory>
#include <string>

#include "api/login_request.h"
#include "base/config.h"
#include "base/fixed_text.h"
#include "host/status_channel.h"
#include "stand_in.h"
#include "support/print_capture.h"
#include "support/spin.h"
#include "support/temp_home.h"

namespace kesta {
namespace {

using namespace std::chrono_literals;

GCharPtr fixed_mac() { return GCharPtr(g_strdup("0A:1B:2C:3D:4E:5F")); }

class HostileStatusChannel : public testing::Test {
 protected:
  void SetUp() override {
    apply_config_defaults(app_config);
    global_token.reset();
    service_ = std::make_unique<test::StandIn>();
    service_->service().accept_mac_logins(true);
    copy_fixed(app_config.server_address, service_->url());
    // Settings the channel must leave as they are.
    test::write_file(test::config_path(), R"({"server_address":")" + service_->url() + R"(","maclogin":true})");
    config_before_ = test::read_file(test::config_path());
    test::capture_prints();
  }
  void TearDown() override {
    status_channel_stop();
    test::captured_prints();
    service_.reset();
    EXPECT_EQ(test::read_file(test::config_path()), config_before_);
    test::remove_file(test::config_path());
  }
  bool connected() const { return status_channel() && status_channel()->connection; }
  std::string printed() {
    std::string text = test::captured_prints();
    test::capture_prints();
    return text;
  }

  std::unique_ptr<test::StandIn> service_;
  std::string config_before_;
};

TEST_F(HostileStatusChannel, TenMegabyteFramesDropTheConnectionWhichIsMadeAgain) {
  const std::string frame(10u << 20, 'z');
  status_channel_start(fixed_mac);
  ASSERT_TRUE(test::spin_until([&] { return connected(); }));
  for (int round = 1; round <= 2; ++round) {
    // Several in a row: those behind the first meet a closing connection.
    ASSERT_EQ(service_->send_websocket_text(frame), 1u);
    service_->send_websocket_text(frame);
    service_->send_websocket_text(frame);
    ASSERT_TRUE(test::spin_until([&] { return !connected(); })) << round;
    ASSERT_TRUE(test::spin_until([&] { return connected(); }, 10s)) << "made again, round " << round;
    EXPECT_EQ(service_->received().websocket_handshakes(), static_cast<std::size_t>(round + 1));
    EXPECT_EQ(status_channel()->failures, 0);
    const std::string text = printed();
    EXPECT_NE(text.find("WebSocket连接已关闭\n"), std::string::npos) << text.substr(0, 500);
    EXPECT_EQ(text.find("收到WebSocket消息"), std::string::npos) << "no frame is printed";
    EXPECT_LT(text.size(), 4096u);
  }
  // And the channel still reports.
  ASSERT_TRUE(send_status_report(nullptr));
  EXPECT_TRUE(test::spin_until([&] { return !service_->received().websocket_messages().empty(); }));
}

TEST_F(HostileStatusChannel, AFloodOfMessagesPrintsTenLinesAndACount) {
  status_channel_start(fixed_mac);
  ASSERT_TRUE(test::spin_until([&] { return connected(); }));
  printed();
  // Messages of 4 KiB with control characters, as fast as they go, for
  // three seconds.
  const std::string message = std::string(4096, '\x1b');
  std::size_t sent = 0;
  const gint64 end = g_get_monotonic_time() + 3 * G_USEC_PER_SEC;
  while (g_get_monotonic_time() < end) {
    ASSERT_EQ(service_->send_websocket_text(message, 200), 1u);
    sent += 200;
    test::spin_for(5ms);
  }
  ASSERT_TRUE(send_status_report(nullptr)) << "the reports go on";
  ASSERT_TRUE(test::spin_until([&] { return !service_->received().websocket_messages().empty(); }));
  const std::string text = printed();
  std::size_t lines = 0;
  for (std::size_t at = text.find("收到WebSocket消息: "); at != std::string::npos;
       at = text.find("收到WebSocket消息: ", at + 1))
    ++lines;
  EXPECT_EQ(lines, 10u);
  EXPECT_NE(text.find("条WebSocket消息\n"), std::string::npos) << "the number left out";
  EXPECT_LT(text.size(), 64u * 1024) << sent << " messages";
  std::cout << sent << " messages, " << text.size() << " bytes printed\n";
  EXPECT_TRUE(connected());
}

TEST_F(HostileStatusChannel, AHandshakeWithoutAnswerFailsAfterTenSeconds) {
  service_->scripts().hold(test::paths::kWebsocket);
  status_channel_start(fixed_mac);
  ASSERT_TRUE(test::spin_until([&] { return status_channel()->failures == 1; }, 60s));
  const std::string text = printed();
  EXPECT_NE(text.find("WebSocket连接失败: 连接超时\n"), std::string::npos) << text;
  EXPECT_NE(status_channel()->reconnect_timer, 0u) << "tried again later";
  EXPECT_FALSE(connected());
}

}  // namespace
}  // namespace kesta

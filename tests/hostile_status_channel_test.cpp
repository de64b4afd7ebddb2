// The status channel against a service that sends frames of ten megabytes:
// the connection is dropped (libsoup takes messages of up to 128 KiB) and
// made again, nothing of the frames is printed, and the reports go on.
#include <gtest/gtest.h>

#include <chrono>
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

}  // namespace
}  // namespace kesta

// A service that accepts a request and never answers it.  Every request
// blocks the user interface, so each must give up at its timeout: a minute
// for the VM list, power and configuration requests, ten seconds for the
// others.  The minute is checked on the requests as built and on the
// transfer at a shorter timeout; the ten seconds on a real login.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "api/http.h"
#include "api/vm_config.h"
#include "api/vm_list.h"
#include "api/vm_power.h"
#include "base/config.h"
#include "base/fixed_text.h"
#include "stand_in.h"
#include "support/hostile_support.h"
#include "support/wait_reply.h"

namespace kesta {
namespace {

using test::send_request;

using Clock = std::chrono::steady_clock;
namespace paths = test::paths;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

TEST(ReplyTimeout, TheDesktopsRequestsWaitAMinute) {
  EXPECT_EQ(kReplyTimeoutSeconds, 60u);
  ClientConfig config{};
  apply_config_defaults(config);
  EXPECT_EQ(vm_list_request(config.server_address, "t").timeout, kReplyTimeoutSeconds);
  for (const PowerCommand& command : {kResume, kStart, action_command("shutdown"), action_command("stop"),
                                      action_command("reboot"), action_command("reset")})
    EXPECT_EQ(vm_power_request(config.server_address, "t", "vm", command).timeout, kReplyTimeoutSeconds)
        << command.word;
  EXPECT_EQ(vm_config_request("http://127.0.0.1:1", "t", "vm").timeout, kReplyTimeoutSeconds);
}

TEST(ReplyTimeout, ARequestNeverAnsweredEndsAtItsTimeout) {
  test::StandIn service;
  service.scripts().hold(paths::kVmList);
  ClientConfig config{};
  apply_config_defaults(config);
  copy_fixed(config.server_address, service.url());
  HttpRequest request = vm_list_request(config.server_address, "t");
  request.timeout = 2;
  const auto start = Clock::now();
  const std::optional<HttpReply> reply = send_request(request);
  const double waited = seconds_since(start);
  ASSERT_TRUE(reply);
  EXPECT_LT(reply->status, 100u) << "a transport failure, not a reply";
  EXPECT_FALSE(reply->has_body);
  EXPECT_GE(waited, 1.5);
  EXPECT_LT(waited, 10.0);
  EXPECT_EQ(service.received().count(paths::kVmList), 1u);
}

class HostileNetwork : public test::HostileClient {};

TEST_F(HostileNetwork, ALoginNeverAnsweredFailsAfterTenSeconds) {
  build_login();
  service_->scripts().hold(paths::kLogin);
  const auto start = Clock::now();
  const test::Outcome outcome = run([this] { sign_in(); });
  const double waited = seconds_since(start);
  EXPECT_GE(waited, 9.0);
  EXPECT_LT(waited, 20.0);
  ASSERT_EQ(outcome.dialogs.size(), 1u) << outcome.printed;
  EXPECT_EQ(outcome.dialogs[0].title, "登录失败");
  EXPECT_EQ(outcome.dialogs[0].message, "无法连接到服务器") << outcome.printed;
  EXPECT_EQ(record(), nullptr);
  EXPECT_TRUE(gtk_widget_get_visible(login_));

  // The client is itself again: the next login goes through.
  service_->scripts().clear(paths::kLogin);
  ensure_signed_in();
  EXPECT_TRUE(gtk_widget_get_visible(record()->window));
}

}  // namespace
}  // namespace kesta

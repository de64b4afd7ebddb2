// What a request takes from the service and gives it: a redirect is followed
// only within the service, so the token never goes elsewhere, and no reply
// is read past 32 MiB.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>

#include "api/vm_list.h"
#include "base/config.h"
#include "base/fixed_text.h"
#include "support/hostile_support.h"
#include "support/temp_home.h"
#include "support/wait_reply.h"

namespace kesta {
namespace {

using namespace std::chrono_literals;
namespace paths = test::paths;

class ExchangeLimits : public test::HostileClient {};

long resident_kib() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
  return 0;
}

TEST_F(ExchangeLimits, RedirectsStayWithinTheService) {
  test::StandIn elsewhere;
  start_service(true);
  service_->service().add_account("alice", "secret", test::kToken);
  // The first connection pins the service's key, and changes the file then.
  ASSERT_TRUE(test::send_request(vm_list_request(app_config.server_address, test::kToken)));
  config_before_ = test::read_file(test::config_path());
  const std::string list = std::string(paths::kVmList);
  struct Case {
    const char* name;
    std::string location;
    unsigned status;  // what the client ends with
  };
  const std::string service_port = std::to_string(service_->port());
  for (const Case& c : {Case{"same service", "https://127.0.0.1:" + service_port + list + "?again", 200},
                        Case{"plain http", "http://127.0.0.1:" + service_port + list, 302},
                        Case{"other port", elsewhere.url() + list, 302},
                        Case{"other host", "https://localhost:" + service_port + list, 302}}) {
    SCOPED_TRACE(c.name);
    service_->scripts().force_reply(list, test::Reply{302, "", "text/plain", c.location}, test::Repeat::Once);
    const std::optional<HttpReply> reply = test::send_request(vm_list_request(app_config.server_address, test::kToken));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, c.status);
  }
  EXPECT_EQ(elsewhere.received().requests().size(), 0u) << "nothing, and no token, reached another listener";

  // Signing in against such a service is an ordinary failure.
  build_login();
  service_->scripts().force_reply(paths::kLogin, test::Reply{302, "", "text/plain", elsewhere.url() + paths::kLogin});
  const test::Outcome outcome = run([this] { sign_in(); });
  EXPECT_NE(outcome.printed.find("请求失败，状态码: 302"), std::string::npos) << outcome.printed;
  ASSERT_EQ(outcome.dialogs.size(), 1u);
  EXPECT_EQ(outcome.dialogs[0].title, "登录失败");
  EXPECT_EQ(elsewhere.received().requests().size(), 0u);
}

TEST_F(ExchangeLimits, AnEndlessReplyIsCutOffAt32MiB) {
  service_->scripts().trickle(paths::kVmList, 0ms, 64 * 1024);
  const long before = resident_kib();
  const auto start = std::chrono::steady_clock::now();
  const std::optional<HttpReply> reply = test::send_request(vm_list_request(app_config.server_address, test::kToken));
  ASSERT_TRUE(reply);
  EXPECT_LT(reply->status, 100u) << "a failed request";
  EXPECT_FALSE(reply->has_body);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 50s) << "ended at the limit, not at the timeout";
  EXPECT_LT(resident_kib() - before, 160 * 1024) << "the reply stopped growing";
}

}  // namespace
}  // namespace kesta

// Replies cut off in the middle, replies of thirty megabytes or a hundred
// thousand VMs, and JSON nested a hundred thousand levels deep (which
// overflows json-glib's recursive parser unless the client refuses it
// first).  Every request ends in the dialog or the log line of an ordinary
// failure, in reasonable time, and the configuration file stays as it was.
#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "api/domain_list.h"
#include "api/registration.h"
#include "base/config.h"
#include "desktop/desktop_keys.h"
#include "support/hostile_support.h"
#include "support/print_capture.h"
#include "support/temp_home.h"
#include "support/wait_reply.h"
#include "support/widget_find.h"

namespace kesta {
namespace {

using test::fetch_domain_list;
using test::register_account;

using test::Outcome;
using test::Reply;
namespace paths = test::paths;

constexpr std::size_t kDeep = 100000;
// Just under the largest reply the client reads at all (32 MiB).
constexpr std::size_t kLargeReply = 30u << 20;

const std::string kPowerPath = std::string(paths::kVmStatusPrefix) + "shutdown";

// The process's peak resident memory since the last reset, in MiB.
long peak_mib() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmHWM:")) return std::stol(line.substr(6)) / 1024;
  return -1;
}
void reset_peak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// A reply's body of size bytes whose "data" is an array of this element.
std::string list_of(const std::string& element, std::size_t size) {
  std::string body = R"({"success":true,"data":[)";
  while (body.size() + element.size() + 2 < size) body += element + ",";
  body += element + "]}";
  return body;
}

class HostileSizes : public test::HostileClient {
 protected:
  void SetUp() override {
    HostileClient::SetUp();
    service_->service().set_vms({test::vm("vm-1", "running")});
    service_->service().set_vm_config("vm-1", R"({"ip":"127.0.0.1","pool":{"pool":{"connecttype":"freerdp2"}}})");
  }
  // The user's action that sends each request, with the path it goes to.
  Outcome login(const Reply& reply) {
    if (record() && gtk_widget_get_visible(record()->window))
      run([this] { gtk_button_clicked(GTK_BUTTON(test::find_button(record()->window, "注销"))); });
    if (!login_) build_login();
    service_->scripts().force_reply(paths::kLogin, reply, test::Repeat::Once);
    return run([this] { sign_in(); });
  }
  Outcome refresh(const Reply& reply) {
    return run_answered(paths::kVmList, reply,
                        [this] { gtk_button_clicked(GTK_BUTTON(test::find_button(record()->window, "刷新"))); });
  }
  Outcome shutdown(const Reply& reply) {
    return run_answered(kPowerPath, reply, [this] { activate_menu_item(cards()[0], "关机"); });
  }
  Outcome connect(const Reply& reply) {
    return run_answered(paths::kVmConfig, reply, [this] { click_connect(cards()[0]); });
  }
  std::vector<std::string> domains(const Reply& reply) {
    service_->scripts().force_reply(paths::kDomainList, reply, test::Repeat::Once);
    std::vector<std::string> names;
    printed_ = run([&] { names = fetch_domain_list(app_config.server_address); }).printed;
    return names;
  }
  ReplyOutcome<> registration(const Reply& reply) {
    service_->scripts().force_reply(paths::kRegister, reply, test::Repeat::Once);
    ReplyOutcome<> result;
    run([&] { result = register_account(app_config.server_address, "bob", "password1", "鲍勃", "corp"); });
    return result;
  }

  // Expects exactly one dialog, with this title and a message that begins
  // with this text.
  static void expect_dialog(const Outcome& outcome, const std::string& title, const std::string& message,
                            const std::string& context) {
    ASSERT_EQ(outcome.dialogs.size(), 1u) << context << "\n" << outcome.printed.substr(0, 2000);
    EXPECT_EQ(outcome.dialogs[0].title, title) << context;
    EXPECT_TRUE(outcome.dialogs[0].message.starts_with(message)) << context << ": " << outcome.dialogs[0].message.substr(0, 200);
  }
  void expect_expired(const Outcome& outcome, const std::string& context) {
    expect_dialog(outcome, "会话已过期", "您的登录会话已过期，请重新登录", context);
  }

  test::RecordingViewers viewers_;
  std::string printed_;
};

TEST_F(HostileSizes, AReplyCutOffIsAFailureToConnect) {
  // Half of the status line and headers, or all of them and half the body.
  for (const bool with_body : {false, true}) {
    const Reply reply{200, with_body ? R"({"success":true,"message":"成功","data":{}})" : ""};
    const std::string context = with_body ? "cut in the body" : "cut in the head";
    for (const char* path : {paths::kLogin, paths::kVmList, kPowerPath.c_str(), paths::kVmConfig,
                             paths::kDomainList, paths::kRegister})
      service_->scripts().clear(path);

    ensure_signed_in();
    service_->scripts().force_reply(paths::kLogin, reply);
    service_->scripts().cut(paths::kLogin);
    run([this] { gtk_button_clicked(GTK_BUTTON(test::find_button(record()->window, "注销"))); });
    Outcome outcome = run([this] { sign_in(); });
    expect_dialog(outcome, "登录失败", "无法连接到服务器", context);
    service_->scripts().clear(paths::kLogin);

    ensure_signed_in();
    for (const char* path : {paths::kVmList, kPowerPath.c_str(), paths::kVmConfig, paths::kDomainList,
                             paths::kRegister}) {
      service_->scripts().force_reply(path, reply);
      service_->scripts().cut(path);
    }
    outcome = run([this] { activate_menu_item(cards()[0], "关机"); });
    expect_dialog(outcome, "操作失败", "无法连接到服务器", context);
    outcome = run([this] { click_connect(cards()[0]); });
    expect_dialog(outcome, "获取配置失败", "无法连接到服务器", context);
    std::vector<std::string> names;
    outcome = run([&] { names = fetch_domain_list(app_config.server_address); });
    EXPECT_TRUE(names.empty());
    EXPECT_NE(outcome.printed.find("DEBUG: 请求失败，无法获取域名列表"), std::string::npos) << outcome.printed;
    ReplyOutcome<> result;
    run([&] { result = register_account(app_config.server_address, "bob", "password1", "鲍勃", "corp"); });
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(result.message.starts_with("服务器返回错误，状态码：")) << result.message;
    outcome = run([this] { gtk_button_clicked(GTK_BUTTON(test::find_button(record()->window, "刷新"))); });
    expect_expired(outcome, context);
    EXPECT_NE(outcome.printed.find("请求虚拟机列表失败，状态码: "), std::string::npos) << outcome.printed;
  }
}

TEST_F(HostileSizes, DeeplyNestedJsonIsUnreadable) {
  for (const std::string& deep : {test::nested_arrays(kDeep), test::nested_objects(kDeep),
                                  // Tricks by which a counter that reads JSON
                                  // less leniently than json-glib would lose count
                                  // of the levels: a lone surrogate that
                                  // swallows a quote, a single-quoted string, a
                                  // comment.
                                  R"(["\ud800\",)" + test::nested_arrays(kDeep) + "]",
                                  R"(['"',)" + test::nested_arrays(kDeep) + "]",
                                  R"([/*"*/)" + test::nested_arrays(kDeep) + "]",
                                  R"({"success":true,"message":"x","data":[)" + test::nested_objects(kDeep) + "]}"}) {
    const std::string context = deep.substr(0, 12);
    Outcome outcome = login({200, deep});
    expect_dialog(outcome, "登录失败", "服务器响应解析错误", context);
    EXPECT_NE(outcome.printed.find("解析响应失败: "), std::string::npos) << outcome.printed.substr(0, 300);
    outcome = login({401, deep});
    expect_dialog(outcome, "登录失败", "无法连接到服务器", context);

    outcome = refresh({200, deep});
    expect_expired(outcome, context);
    EXPECT_NE(outcome.printed.find("解析响应失败: "), std::string::npos) << outcome.printed.substr(0, 300);
    outcome = shutdown({200, deep});
    expect_dialog(outcome, "响应错误", "无法解析服务器响应", context);
    outcome = connect({200, deep});
    expect_dialog(outcome, "响应错误", "无法解析服务器响应", context);
    EXPECT_TRUE(domains({200, deep}).empty());
    EXPECT_NE(printed_.find("DEBUG: JSON解析失败: "), std::string::npos) << printed_.substr(0, 300);
    EXPECT_EQ(registration({200, deep}).message, "解析服务器响应失败");
  }

  // The pool's JSON texts nested deep: unreadable, so left out.
  for (const char* text : {"resource", "connectparam"}) {
    const std::string pool = std::string(R"({"connecttype":"freerdp2",")") + text + R"(":")" +
                             test::nested_arrays(kDeep) + "\"}";
    const Outcome outcome =
        connect({200, R"({"success":true,"data":{"ip":"127.0.0.1","pool":{"pool":)" + pool + "}}}"});
    EXPECT_TRUE(outcome.dialogs.empty()) << text << outcome.printed.substr(0, 300);
    EXPECT_TRUE(viewers_.started()) << text;
  }

  // Nesting that any reply might have is read as before.
  const std::string padded = R"({"success":true,"data":[{"vmid":"vm-1","vmname":"深","status":"running"}],"x":)" +
                             test::nested_arrays(400) + "}";
  const Outcome outcome = refresh({200, padded});
  EXPECT_TRUE(outcome.dialogs.empty());
  EXPECT_EQ(cards().size(), 1u);
  EXPECT_TRUE(gtk_widget_get_visible(record()->window));
}

TEST_F(HostileSizes, ADeeplyNestedConfigurationFileMeansTheDefaults) {
  // Deep, yet within the 64 KiB a settings file may have.
  config_before_ = R"({"server_address":"http://127.0.0.1:1","x":)" + test::nested_arrays(20000) + "}";
  test::write_file(test::config_path(), config_before_);
  test::capture_prints();
  EXPECT_FALSE(load_config());
  const std::string printed = test::captured_prints();
  EXPECT_TRUE(printed.starts_with("解析配置文件失败: JSON嵌套超过")) << printed;
  EXPECT_STREQ(app_config.server_address, "");
}

// An empty body, or one of blanks only, is a reply without "success", not
// one that does not parse: every request ends as it does for "{}".
TEST_F(HostileSizes, AnEmptyReplyIsOneWithoutSuccess) {
  const auto same = [](const Outcome& empty, const Outcome& bare, const std::string& context) {
    EXPECT_EQ(empty.printed, bare.printed) << context;
    EXPECT_EQ(empty.printed.find("解析"), std::string::npos) << context << ": " << empty.printed;
    ASSERT_EQ(empty.dialogs.size(), bare.dialogs.size()) << context;
    for (std::size_t i = 0; i < empty.dialogs.size(); ++i) {
      EXPECT_EQ(empty.dialogs[i].title, bare.dialogs[i].title) << context;
      EXPECT_EQ(empty.dialogs[i].message, bare.dialogs[i].message) << context;
    }
  };
  for (const char* body : {"", " \r\n"}) {
    const Reply empty{200, body};
    const Reply bare{200, "{}"};
    same(login(empty), login(bare), "login");
    EXPECT_EQ(login(empty).dialogs.at(0).message, "未知错误");
    same(refresh(empty), refresh(bare), "VM list");
    same(shutdown(empty), shutdown(bare), "power");
    same(connect(empty), connect(bare), "configuration");
    // The domain list logs the body's length and beginning, then reads it.
    domains(empty);
    EXPECT_NE(printed_.find("DEBUG: JSON中未找到success字段\n"), std::string::npos) << printed_;
    EXPECT_EQ(printed_.find("解析"), std::string::npos) << printed_;
    EXPECT_EQ(registration(empty).message, "未知错误");
  }
}

TEST_F(HostileSizes, LargeRepliesAreShownInPart) {
  const std::string huge(kLargeReply, 'x');
  const std::string huge_message = R"({"success":false,"message":")" + huge + "\"}";
  const std::string error_page = "<html>" + huge + "</html>";

  Outcome outcome = login({200, huge_message});
  expect_dialog(outcome, "登录失败", "xxxx", "message");
  EXPECT_LE(outcome.dialogs[0].message.size(), 2100u);
  outcome = login({500, error_page, "text/html"});
  expect_dialog(outcome, "登录失败", "无法连接到服务器", "error page");
  outcome = login({200, huge});
  expect_dialog(outcome, "登录失败", "服务器响应解析错误", "junk");

  // A VM of thirty megabytes' name, and an error page in the log.
  outcome = refresh({200, R"({"success":true,"data":[{"vmid":"vm-1","vmname":")" + huge + R"(","status":"running"}]})"});
  EXPECT_TRUE(outcome.dialogs.empty());
  ASSERT_EQ(cards().size(), 1u);
  EXPECT_NE(test::find_label(cards()[0], std::string(255, 'x')), nullptr) << "the name cut to its field";
  outcome = refresh({500, error_page, "text/html"});
  expect_expired(outcome, "error page");
  EXPECT_LT(outcome.printed.size(), 4000u) << "the error page is not logged whole";
  EXPECT_NE(outcome.printed.find("错误信息: <html>xxxx"), std::string::npos);

  outcome = shutdown({500, error_page, "text/html"});
  expect_dialog(outcome, "操作失败", "<html>xxxx", "error page");
  EXPECT_LE(outcome.dialogs[0].message.size(), 2100u);
  outcome = shutdown({200, huge_message});
  expect_dialog(outcome, "操作失败", "xxxx", "message");
  outcome = connect({502, error_page, "text/html"});
  expect_dialog(outcome, "获取配置失败", "<html>xxxx", "error page");
  outcome = connect({200, huge_message});
  expect_dialog(outcome, "获取配置失败", "xxxx", "message");
  // An address of thirty megabytes: not in the log whole, and no argument of
  // the viewer's command line either.
  outcome = connect({200, R"({"success":true,"data":{"ip":")" + huge + R"(","pool":{"pool":{"connecttype":"freerdp2"}}}})"});
  EXPECT_TRUE(outcome.dialogs.empty());
  EXPECT_TRUE(viewers_.started());
  EXPECT_LT(outcome.printed.size(), 4000u);

  EXPECT_TRUE(domains({200, huge}).empty());
  EXPECT_TRUE(domains({500, error_page, "text/html"}).empty());
  const ReplyOutcome<> result = registration({200, huge_message});
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.message.size(), kLargeReply) << "the dialog shows it in part";

}

// Millions of values cost gigabytes once parsed: such a reply is refused
// before json-glib builds its tree, and the client's memory stays small.
TEST_F(HostileSizes, MillionsOfValuesAreUnreadable) {
#ifdef __SANITIZE_ADDRESS__
  constexpr long kBoundMib = 1024;  // the sanitizer keeps what is freed a while
#else
  constexpr long kBoundMib = 300;
#endif
  ensure_signed_in();
  for (const char* element : {"0", "{}"}) {
    SCOPED_TRACE(element);
    const Reply reply{200, list_of(element, kLargeReply)};
    reset_peak();
    const long before = peak_mib();
    Outcome outcome = refresh(reply);
    expect_expired(outcome, element);
    EXPECT_NE(outcome.printed.find("解析响应失败: JSON值过多"), std::string::npos) << outcome.printed.substr(0, 300);
    outcome = login(reply);
    expect_dialog(outcome, "登录失败", "服务器响应解析错误", element);
    const long rise = peak_mib() - before;
    EXPECT_LT(rise, kBoundMib) << "MiB more at the peak";
    std::cout << "peak resident memory rose by " << rise << " MiB for " << element << "\n";
  }
  // Elements that are no object are no VMs; the list stops at 100,000.
  const Outcome outcome = refresh({200, list_of(R"(0,{"vmid":"v","status":"running"},null)", 8 << 20)});
  EXPECT_TRUE(outcome.dialogs.empty());
  EXPECT_EQ(record()->vm_list.size(), 100000u);
  EXPECT_STREQ(record()->vm_list.back().vmid, "v");
}

TEST_F(HostileSizes, AHundredThousandVms) {
  // The reply is written here, once: built by the stand-in for every request
  // it takes the sanitizer build on a busy machine longer than the reply
  // timeout, which bounds the whole exchange.
  std::string body = R"({"success":true,"message":"成功","data":[)";
  for (int i = 0; i < 100000; ++i) {
    const std::string n = std::to_string(i);
    if (i) body += ',';
    body += R"({"vmid":"vm-)" + n + R"(","vmname":"桌面)" + n +
            R"(","status":"running","pool":{"poolname":"研发池","connecttype":"spice"}})";
  }
  body += "]}";
  service_->service().set_vm_list_body(body);
  ensure_signed_in();
  EXPECT_EQ(cards().size(), 4u);
  EXPECT_EQ(page_label(), "第 1/25000 页");
  const Outcome outcome = run([this] { gtk_button_clicked(GTK_BUTTON(test::find_button(record()->window, "刷新"))); });
  EXPECT_TRUE(outcome.dialogs.empty());
  EXPECT_EQ(record()->vm_list.size(), 100000u);
  for (int i = 0; i < 3; ++i) gtk_button_clicked(GTK_BUTTON(test::named(record()->window, keys::kNextButton)));
  EXPECT_EQ(page_label(), "第 4/25000 页");
  EXPECT_NE(test::find_label(cards()[0], "桌面12"), nullptr);
}

}  // namespace
}  // namespace kesta

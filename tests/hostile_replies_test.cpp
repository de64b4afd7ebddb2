// Replies of the wrong shape: every member the client reads, given a value
// of every other JSON type, and texts that are not UTF-8.  Whatever comes,
// the client answers with the dialog or the log line of an ordinary failure
// (or carries on as if the member were absent), shows only UTF-8, and leaves
// the configuration file alone (checked by the fixture).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "api/domain_list.h"
#include "api/registration.h"
#include "base/config.h"
#include "desktop/vm_cards.h"
#include "login/register_dialog.h"
#include "support/hostile_support.h"
#include "support/print_capture.h"
#include "support/temp_home.h"
#include "support/wait_reply.h"
#include "support/widget_find.h"
#include "ui/data_keys.h"

namespace kesta {
namespace {

using test::fetch_domain_list;
using test::register_account;

using test::DialogRecord;
using test::Outcome;
using test::Reply;
namespace paths = test::paths;

bool truthy(const std::string& value) {
  return value == "true" || value == "1" || value == "-7.5" || value == "3000000000";
}
bool is_string(const std::string& value) { return !value.empty() && value.front() == '"'; }
bool is_object(const std::string& value) { return !value.empty() && value.front() == '{'; }
bool is_array(const std::string& value) { return !value.empty() && value.front() == '['; }
// The text of a JSON string value written without escapes.
std::string text_of(const std::string& value) { return value.substr(1, value.size() - 2); }

void expect_one_dialog(const test::Outcome& outcome, const std::string& title,
                       const std::string& message, const std::string& context) {
  ASSERT_EQ(outcome.dialogs.size(), 1u) << context << "\n" << outcome.printed;
  EXPECT_EQ(outcome.dialogs[0].title, title) << context;
  EXPECT_EQ(outcome.dialogs[0].message, message) << context;
}

// A text in which what was not UTF-8 shows as U+FFFD.  (json-glib swallows
// the character after a lone surrogate, so that one does not show at all.)
void expect_replaced(const std::string& text, const std::string& prefix) {
  EXPECT_TRUE(g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) << text;
  EXPECT_EQ(text.substr(0, prefix.size()), prefix) << text;
  EXPECT_NE(text.find("\xef\xbf\xbd", prefix.size()), std::string::npos) << text;
}

void expect_valid_dialogs(const test::Outcome& outcome, const std::string& context) {
  for (const DialogRecord& d : outcome.dialogs) {
    EXPECT_TRUE(g_utf8_validate(d.title.c_str(), -1, nullptr)) << context;
    EXPECT_TRUE(g_utf8_validate(d.message.c_str(), -1, nullptr)) << context << ": " << d.message;
  }
}

// ---- Login ----

constexpr char kLoginReply[] = R"({"success":true,"data":{"accessToken":"token-alice"},"message":"登录成功"})";

class HostileLogin : public test::HostileClient {
 protected:
  Outcome login_with(const Reply& reply) {
    service_->scripts().force_reply(paths::kLogin, reply, test::Repeat::Once);
    Outcome outcome = run([this] { sign_in(); });
    // Back to the login window for the next case.
    if (record() && gtk_widget_get_visible(record()->window)) run([this] { gtk_button_clicked(GTK_BUTTON(test::find_button(record()->window, "注销"))); });
    return outcome;
  }
  bool signed_in(const Outcome& outcome) { return outcome.dialogs.empty() && record(); }
};

TEST_F(HostileLogin, AWrongTypeInAnyMemberIsAnOrdinaryRefusal) {
  build_login();
  for (const std::string& value : test::json_values_of_every_type()) {
    // "success": numbers count as booleans.
    Outcome outcome = login_with({200, test::with_member(kLoginReply, {"success"}, value)});
    if (truthy(value))
      EXPECT_TRUE(signed_in(outcome)) << "success " << value;
    else
      expect_one_dialog(outcome, "登录失败", "登录成功", "success " + value);

    // "data" and "accessToken" of another type: accepted, but no token.
    if (!is_object(value)) {
      outcome = login_with({200, test::with_member(kLoginReply, {"data"}, value)});
      expect_one_dialog(outcome, "登录失败", "未能获取访问令牌", "data " + value);
    }
    outcome = login_with({200, test::with_member(kLoginReply, {"data", "accessToken"}, value)});
    if (is_string(value))
      EXPECT_TRUE(signed_in(outcome)) << "a text is a token, whatever it says: " << value;
    else
      expect_one_dialog(outcome, "登录失败", "未能获取访问令牌", "accessToken " + value);

    // "message" of a refusal, in a 200 and in any other status.
    const std::string refusal = test::with_member(R"({"success":false,"message":"x"})", {"message"}, value);
    outcome = login_with({200, refusal});
    expect_one_dialog(outcome, "登录失败", is_string(value) ? text_of(value) : "未知错误", "message " + value);
    outcome = login_with({401, refusal});
    expect_one_dialog(outcome, "登录失败", is_string(value) ? "登录失败: " + text_of(value) : "无法连接到服务器",
                      "401 message " + value);
    // The root itself of another type.
    outcome = login_with({200, value});
    expect_one_dialog(outcome, "登录失败", "未知错误", "root " + value);
  }
}

TEST_F(HostileLogin, TextsThatAreNotUtf8AreNeverShown) {
  build_login();
  // Raw bytes that are not UTF-8 make the reply unreadable.
  Outcome outcome = login_with({200, R"({"success":false,"message":")" + test::kBadBytes + R"("})"});
  expect_one_dialog(outcome, "登录失败", "服务器响应解析错误", "raw bytes");
  outcome = login_with({500, test::kBadBytes + "<html>", "text/html"});
  expect_one_dialog(outcome, "登录失败", "无法连接到服务器", "raw bytes in an error page");

  // Escapes that decode to bytes that are not UTF-8 are shown replaced.
  const std::string message = std::string(R"({"success":false,"message":"拒绝)") + test::kLoneSurrogate + R"(!"})";
  outcome = login_with({200, message});
  expect_valid_dialogs(outcome, "200 message");
  ASSERT_EQ(outcome.dialogs.size(), 1u);
  expect_replaced(outcome.dialogs[0].message, "拒绝");
  outcome = login_with({403, message});
  expect_valid_dialogs(outcome, "403 message");
  ASSERT_EQ(outcome.dialogs.size(), 1u);
  expect_replaced(outcome.dialogs[0].message, "登录失败: 拒绝");

  // A token that is no header value is sent as well as it can be; the
  // session then ends like any refused token.
  for (const char* token : {"tok\\r\\nX-Injected: 1", "tok\\u0000en", "tok\\ud800en", "tok\\u00e9"}) {
    outcome = login_with({200, std::string(R"({"success":true,"data":{"accessToken":")") + token + "\"}}"});
    EXPECT_TRUE(signed_in(outcome)) << token << outcome.printed;
    const auto request = service_->received().last(paths::kVmList);
    ASSERT_TRUE(request);
    EXPECT_EQ(request->headers.count("X-Injected"), 0u) << "no header smuggled in by a token";
  }
  EXPECT_EQ(test::first_invalid_utf8(test::all_shown_texts()), "");
}

// ---- VM list ----

constexpr char kVmListReply[] =
    R"({"success":true,"message":"成功","data":[{"vmid":"vm-1","vmname":"桌面一","status":"running",)"
    R"("pool":{"poolname":"研发池","connecttype":"spice","rollback":true}}]})";

struct CardValues {
  std::string name, pool, status;
  bool operator==(const CardValues&) const = default;
};

std::ostream& operator<<(std::ostream& out, const CardValues& v) {
  return out << "{" << v.name << ", " << v.pool << ", " << v.status << "}";
}

class HostileVmList : public test::HostileClient {
 protected:
  void SetUp() override {
    HostileClient::SetUp();
    service_->service().set_vms({test::vm("vm-0", "stopped")});
  }
  // The outcome of a refresh answered with body.
  Outcome refresh_with(const Reply& reply) { return run_answered(paths::kVmList, reply, [this] { refresh_now(); }); }
  void refresh_now() { gtk_button_clicked(GTK_BUTTON(test::find_button(record()->window, "刷新"))); }
  std::string value_beside(GtkWidget* card, const char* title) {
    GtkWidget* row = gtk_widget_get_parent(test::find_label(card, title));
    GList* children = gtk_container_get_children(GTK_CONTAINER(row));
    std::string value = gtk_label_get_text(GTK_LABEL(g_list_nth_data(children, 1)));
    g_list_free(children);
    return value;
  }
  std::vector<CardValues> shown_cards() {
    std::vector<CardValues> values;
    for (GtkWidget* card : cards())
      values.push_back({value_beside(card, "桌面名称："), value_beside(card, "所属桌面池："),
                        value_beside(card, "当前状态：")});
    return values;
  }
  void expect_expired(const Outcome& outcome, const std::string& context) {
    expect_one_dialog(outcome, "会话已过期", "您的登录会话已过期，请重新登录", context);
    EXPECT_FALSE(gtk_widget_get_visible(record()->window)) << context;
  }
};

TEST_F(HostileVmList, AWrongTypeInAnyMemberCountsAsAbsent) {
  const CardValues ordinary{"桌面一", "研发池", "running"};
  for (const std::string& value : test::json_values_of_every_type()) {
    Outcome outcome = refresh_with({200, test::with_member(kVmListReply, {"success"}, value)});
    if (truthy(value)) {
      EXPECT_TRUE(outcome.dialogs.empty()) << value;
      EXPECT_EQ(shown_cards(), std::vector<CardValues>{ordinary}) << value;
    } else {
      expect_expired(outcome, "success " + value);
    }

    if (!is_array(value)) {
      outcome = refresh_with({200, test::with_member(kVmListReply, {"data"}, value)});
      EXPECT_TRUE(outcome.dialogs.empty()) << value;
      EXPECT_TRUE(cards().empty()) << "data " << value;
      EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(record()->status_label)), "无可用的虚拟机列表");
    }
    if (!is_object(value)) {
      // An entry that is no object is no VM.
      outcome = refresh_with({200, test::with_member(kVmListReply, {"data", "0"}, value)});
      EXPECT_TRUE(cards().empty()) << "entry " << value;
      outcome = refresh_with({200, test::with_member(kVmListReply, {"data", "0", "pool"}, value)});
      EXPECT_EQ(shown_cards(), (std::vector<CardValues>{{"桌面一", "", "running"}})) << "pool " << value;
    }
    if (!is_string(value)) {
      // Present but not a text: empty, not the default of an absent member.
      const std::vector<std::pair<std::vector<std::string>, CardValues>> members = {
          {{"data", "0", "vmid"}, ordinary},
          {{"data", "0", "vmname"}, {"", "研发池", "running"}},
          {{"data", "0", "status"}, {"桌面一", "研发池", ""}},
          {{"data", "0", "pool", "poolname"}, {"桌面一", "", "running"}},
          {{"data", "0", "pool", "connecttype"}, ordinary},
          {{"data", "0", "pool", "rollback"}, ordinary},
      };
      for (const auto& [path, shown] : members) {
        outcome = refresh_with({200, test::with_member(kVmListReply, path, value)});
        EXPECT_TRUE(outcome.dialogs.empty()) << path.back() << " " << value;
        EXPECT_EQ(shown_cards(), std::vector<CardValues>{shown}) << path.back() << " " << value;
      }
    }
    Outcome root = refresh_with({200, value});
    expect_expired(root, "root " + value);
  }
}

TEST_F(HostileVmList, TextsThatAreNotUtf8AreNeverShown) {
  const std::string bad = test::kLoneSurrogate;
  Outcome outcome = refresh_with({200, R"({"success":true,"data":[{"vmid":"v)" + bad + R"(","vmname":"桌面)" + bad +
                                           R"(","status":"run)" + bad + R"(","pool":{"poolname":")" + bad +
                                           R"("}}]})"});
  EXPECT_TRUE(outcome.dialogs.empty());
  ASSERT_EQ(shown_cards().size(), 1u);
  expect_replaced(shown_cards()[0].name, "桌面");
  expect_replaced(shown_cards()[0].pool, "");
  expect_replaced(shown_cards()[0].status, "run");
  EXPECT_EQ(test::first_invalid_utf8(card_texts()), "");
  // The card's own copy of the id goes into the requests it sends.
  outcome = run([this] { activate_menu_item(cards()[0], "开机"); });
  const auto request = service_->received().last(std::string(paths::kVmStatusPrefix) + "start");
  ASSERT_TRUE(request);
  expect_replaced(request->query.at("vmid"), "v");

  // A name cut to its field never ends in half a character.
  outcome = refresh_with({200, R"({"success":true,"data":[{"vmname":")" + std::string(254, 'n') + bad + "\"}]}"});
  EXPECT_EQ(shown_cards()[0].name, std::string(254, 'n'));

  outcome = refresh_with({200, R"({"success":true,"data":[{"vmname":")" + test::kBadBytes + "\"}]}"});
  expect_expired(outcome, "raw bytes make the list unreadable");
  EXPECT_NE(outcome.printed.find("解析响应失败: "), std::string::npos) << outcome.printed;

  outcome = refresh_with({502, test::kBadBytes + "网关错误", "text/plain"});
  expect_expired(outcome, "error page");
  EXPECT_NE(outcome.printed.find("请求虚拟机列表失败，状态码: 502\n错误信息: \xef\xbf\xbd"), std::string::npos)
      << outcome.printed;
}

// ---- Power requests ----

class HostilePower : public test::HostileClient {
 protected:
  void SetUp() override {
    HostileClient::SetUp();
    service_->service().set_vms({test::vm("vm-1", "running")});
  }
  Outcome shutdown_with(const Reply& reply) {
    return run_answered(std::string(paths::kVmStatusPrefix) + "shutdown", reply,
                        [this] { activate_menu_item(cards()[0], "关机"); });
  }
};

TEST_F(HostilePower, AWrongTypeInAnyMemberIsAnOrdinaryOutcome) {
  constexpr char kReply[] = R"({"success":false,"message":"忙","data":{}})";
  for (const std::string& value : test::json_values_of_every_type()) {
    Outcome outcome = shutdown_with({200, test::with_member(kReply, {"success"}, value)});
    if (truthy(value))
      expect_one_dialog(outcome, "成功", "操作成功", "success " + value);
    else
      expect_one_dialog(outcome, "操作失败", "忙", "success " + value);
    outcome = shutdown_with({201, test::with_member(kReply, {"message"}, value)});
    expect_one_dialog(outcome, "操作失败", is_string(value) ? text_of(value) : "未知错误", "message " + value);
    outcome = shutdown_with({200, test::with_member(R"({"success":true,"data":1})", {"data"}, value)});
    expect_one_dialog(outcome, "成功", "操作成功", "data is not read: " + value);
    outcome = shutdown_with({200, value});
    expect_one_dialog(outcome, "操作失败", "未知错误", "root " + value);
  }
}

TEST_F(HostilePower, TextsThatAreNotUtf8AreNeverShown) {
  Outcome outcome = shutdown_with({200, std::string(R"({"success":false,"message":"忙)") + test::kLoneSurrogate + "\"}"});
  ASSERT_EQ(outcome.dialogs.size(), 1u);
  EXPECT_EQ(outcome.dialogs[0].title, "操作失败");
  expect_replaced(outcome.dialogs[0].message, "忙");
  outcome = shutdown_with({200, R"({"success":false,"message":"忙)" + test::kBadBytes + "\"}"});
  expect_one_dialog(outcome, "响应错误", "无法解析服务器响应", "raw bytes");
  // An error page is shown as it came, except for what is not UTF-8.
  outcome = shutdown_with({500, "<p>" + test::kBadBytes + "</p>", "text/html"});
  expect_valid_dialogs(outcome, "error page");
  ASSERT_EQ(outcome.dialogs.size(), 1u);
  EXPECT_EQ(outcome.dialogs[0].title, "操作失败");
  EXPECT_EQ(outcome.dialogs[0].message.substr(0, 3), "<p>");
}

// ---- VM connection configuration ----

class HostileVmConfig : public test::HostileClient {
 protected:
  void SetUp() override {
    HostileClient::SetUp();
    vmid_ = "hostile-" + std::to_string(getpid());
    service_->service().set_vms({test::vm(vmid_, "running")});
  }
  Outcome connect_with(const Reply& reply) {
    return run_answered(paths::kVmConfig, reply, [this] { click_connect(cards()[0]); });
  }
  // The reply with data as its "data".
  static std::string reply_with(const std::string& data) {
    return R"({"success":true,"message":"成功","data":)" + data + "}";
  }

  test::RecordingViewers viewers_;
  std::string vmid_;
};

const std::string kResource = R"({"usbs":true,"sounds":true,"drives":true,"mic":true,"clipboard":true,)"
                              R"("printers":true,"multimon":true,"serial":true,"home":true,"debug":true,)"
                              R"("usbfilter":"-1,-1,-1,-1,1"})";
const std::string kConnectParam = R"({"bpp":16,"decode":"444","network":"lan"})";

std::string json_string(const std::string& text) {
  const GCharPtr escaped(g_strescape(text.c_str(), nullptr));
  return std::string("\"") + escaped.get() + "\"";
}

// Data of each connection type with every member the launchers read.
std::string spice_data() {
  return R"({"ip":"127.0.0.1","ostype":"linux","spriceInfo":{"ca":"-----BEGIN-----","host":"127.0.0.1",)"
         R"("host-subject":"CN=x","password":"pw","proxy":"","release-cursor":"shift+f12",)"
         R"("secure-attention":"ctrl+alt+end","title":"t","tls-port":5901,"toggle-fullscreen":"shift+f11"},)"
         R"("pool":{"pool":{"connecttype":"spice","resource":)" +
         json_string(kResource) + "}}}";
}
std::string rdp_data() {
  return R"({"ip":"127.0.0.1","ostype":"windows","pool":{"pool":{"connecttype":"freerdp2","rdpport":3390,)"
         R"("accounttype":"all","accountUser":"pool","accountPassword":"00","usegw":true,)"
         R"("gw":{"gwtype":"public","gwaddr":"127.0.0.1","gwuser":"g","gwpassword":"00"},"resource":)" +
         json_string(kResource) + R"(,"connectparam":)" + json_string(kConnectParam) + "}}}";
}
std::string horizon_data() {
  return R"({"ip":"127.0.0.1","pool":{"pool":{"connecttype":"blast","resource":)" + json_string(kResource) + "}}}";
}

TEST_F(HostileVmConfig, AWrongTypeInTheEnvelopeOrThePoolIsAnOrdinaryFailure) {
  const std::string reply = reply_with(rdp_data());
  Outcome outcome = connect_with({200, reply});
  ASSERT_TRUE(outcome.dialogs.empty()) << outcome.printed;
  ASSERT_TRUE(viewers_.started());
  for (const std::string& value : test::json_values_of_every_type()) {
    outcome = connect_with({200, test::with_member(reply, {"success"}, value)});
    if (truthy(value))
      EXPECT_TRUE(outcome.dialogs.empty() && viewers_.started()) << "success " << value;
    else
      expect_one_dialog(outcome, "获取配置失败", "成功", "success " + value);
    outcome = connect_with({200, test::with_member(R"({"success":false,"message":"x"})", {"message"}, value)});
    expect_one_dialog(outcome, "获取配置失败", is_string(value) ? text_of(value) : "未知错误", "message " + value);
    outcome = connect_with({200, value});
    expect_one_dialog(outcome, "获取配置失败", "未知错误", "root " + value);
    if (is_object(value)) continue;
    outcome = connect_with({200, test::with_member(reply, {"data"}, value)});
    expect_one_dialog(outcome, "获取配置失败", "成功", "data " + value);
    outcome = connect_with({200, test::with_member(reply, {"data", "pool"}, value)});
    expect_one_dialog(outcome, "配置错误", "无法获取虚拟机池配置信息", "pool " + value);
    outcome = connect_with({200, test::with_member(reply, {"data", "pool", "pool"}, value)});
    expect_one_dialog(outcome, "配置错误", "无法获取虚拟机池配置信息", "pool.pool " + value);
    if (is_string(value)) continue;
    outcome = connect_with({200, test::with_member(reply, {"data", "pool", "pool", "connecttype"}, value)});
    expect_one_dialog(outcome, "连接失败", "不支持的连接类型: ", "connecttype " + value);
    outcome = connect_with({200, test::with_member(reply_with(spice_data()), {"data", "spriceInfo"}, value)});
    expect_one_dialog(outcome, "连接失败", "服务器没有提供SPICE连接信息", "spriceInfo " + value);
  }
}

TEST_F(HostileVmConfig, AWrongTypeInAnyLauncherMemberCountsAsAbsent) {
  struct Member {
    std::string data;
    std::vector<std::string> path;
  };
  std::vector<Member> members;
  for (const char* key : {"ip", "ostype"}) members.push_back({rdp_data(), {key}});
  for (const char* key : {"ca", "host", "host-subject", "password", "proxy", "release-cursor", "secure-attention",
                          "title", "tls-port", "toggle-fullscreen"})
    members.push_back({spice_data(), {"spriceInfo", key}});
  for (const char* key : {"rdpport", "accounttype", "accountUser", "accountPassword", "usegw", "gw", "resource",
                          "connectparam"})
    members.push_back({rdp_data(), {"pool", "pool", key}});
  for (const char* key : {"gwtype", "gwaddr", "gwuser", "gwpassword"})
    members.push_back({rdp_data(), {"pool", "pool", "gw", key}});
  members.push_back({spice_data(), {"pool", "pool", "resource"}});
  members.push_back({horizon_data(), {"pool", "pool", "resource"}});

  const std::vector<std::string> values = {"null", "true", "7", "-7.5", R"("text")", "[]", R"({"a":1})"};
  for (const Member& m : members)
    for (const std::string& value : values) {
      const Outcome outcome = connect_with({200, reply_with(test::with_member(m.data, m.path, value))});
      EXPECT_TRUE(outcome.dialogs.empty()) << m.path.back() << " " << value << "\n" << outcome.printed;
      EXPECT_TRUE(viewers_.started()) << m.path.back() << " " << value;
    }

  // The members of the JSON texts "resource" and "connectparam".
  for (const std::string& value : values) {
    for (const char* key : {"usbs", "sounds", "drives", "mic", "clipboard", "printers", "multimon", "serial", "home",
                            "debug", "usbfilter"}) {
      const std::string resource = json_string(test::with_member(kResource, {key}, value));
      for (const std::string& data : {rdp_data(), spice_data(), horizon_data()}) {
        const Outcome outcome =
            connect_with({200, reply_with(test::with_member(data, {"pool", "pool", "resource"}, resource))});
        EXPECT_TRUE(outcome.dialogs.empty()) << key << " " << value;
        EXPECT_TRUE(viewers_.started()) << key << " " << value;
      }
    }
    for (const char* key : {"bpp", "decode", "network"}) {
      const std::string param = json_string(test::with_member(kConnectParam, {key}, value));
      const Outcome outcome =
          connect_with({200, reply_with(test::with_member(rdp_data(), {"pool", "pool", "connectparam"}, param))});
      EXPECT_TRUE(outcome.dialogs.empty()) << key << " " << value;
      EXPECT_TRUE(viewers_.started()) << key << " " << value;
    }
    // The texts themselves holding another type of JSON.
    for (const char* key : {"resource", "connectparam"}) {
      const Outcome outcome = connect_with(
          {200, reply_with(test::with_member(rdp_data(), {"pool", "pool", key}, json_string(value)))});
      EXPECT_TRUE(outcome.dialogs.empty()) << key << " text " << value;
      EXPECT_TRUE(viewers_.started()) << key << " text " << value;
    }
  }
}

TEST_F(HostileVmConfig, TextsThatAreNotUtf8AreNeitherShownNorStored) {
  const std::string bad = test::kLoneSurrogate;
  Outcome outcome = connect_with(
      {200, reply_with(R"({"ip":"10.0.0.1)" + bad + R"(","pool":{"pool":{"connecttype":"rdp)" + bad + "\"}}}")});
  ASSERT_EQ(outcome.dialogs.size(), 1u);
  EXPECT_EQ(outcome.dialogs[0].title, "连接失败");
  expect_replaced(outcome.dialogs[0].message, "不支持的连接类型: rdp");
  EXPECT_NE(outcome.printed.find("IP: 10.0.0.1\xef\xbf\xbd"), std::string::npos) << outcome.printed;

  // The SPICE connection text the viewer reads holds UTF-8 only.
  std::string data = spice_data();
  for (const char* key : {"host", "password", "title", "ca"})
    data = test::with_member(data, {"spriceInfo", key}, R"("x")");
  std::string reply = reply_with(data);
  for (std::size_t at; (at = reply.find(R"("x")")) != std::string::npos;)
    reply.replace(at, 3, "\"x" + bad + "\"");
  outcome = connect_with({200, reply});
  EXPECT_TRUE(outcome.dialogs.empty()) << outcome.printed;
  ASSERT_TRUE(viewers_.started());
  const std::string text = viewers_.input();
  EXPECT_NE(text.find("\nhost=x\xef\xbf\xbd"), std::string::npos) << text;
  EXPECT_TRUE(g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr));

  outcome = connect_with({200, reply_with(R"({"ip":")" + test::kBadBytes + "\"}")});
  expect_one_dialog(outcome, "响应错误", "无法解析服务器响应", "raw bytes");
  outcome = connect_with({404, test::kBadBytes, "text/plain"});
  expect_valid_dialogs(outcome, "error page");
  ASSERT_EQ(outcome.dialogs.size(), 1u);
  EXPECT_EQ(outcome.dialogs[0].title, "获取配置失败");
  EXPECT_EQ(test::first_invalid_utf8(test::all_shown_texts()), "");
}

// ---- Domain list and registration ----

class HostileRegistration : public test::HostileClient {
 protected:
  std::vector<std::string> domains_with(const std::string& body) {
    service_->scripts().force_reply(paths::kDomainList, {200, body});
    std::vector<std::string> domains;
    run([&] { domains = fetch_domain_list(app_config.server_address); });
    return domains;
  }
  ReplyOutcome<> register_with(const Reply& reply) {
    service_->scripts().force_reply(paths::kRegister, reply);
    ReplyOutcome<> result;
    run([&] { result = register_account(app_config.server_address, "bob", "password1", "鲍勃", "corp"); });
    return result;
  }
};

TEST_F(HostileRegistration, AWrongTypeInAnyMemberMeansNoDomainsOrARefusal) {
  constexpr char kDomains[] = R"({"success":true,"data":{"list":[{"domain":"corp"},{"domain":"lab"}]}})";
  const std::vector<std::string> both = {"corp", "lab"};
  for (const std::string& value : test::json_values_of_every_type()) {
    EXPECT_EQ(domains_with(test::with_member(kDomains, {"success"}, value)),
              truthy(value) ? both : std::vector<std::string>{})
        << "success " << value;
    if (!is_object(value)) {
      EXPECT_TRUE(domains_with(test::with_member(kDomains, {"data"}, value)).empty()) << value;
      EXPECT_EQ(domains_with(test::with_member(kDomains, {"data", "list", "0"}, value)),
                std::vector<std::string>{"lab"})
          << "element " << value;
    }
    if (!is_array(value)) {
      EXPECT_TRUE(domains_with(test::with_member(kDomains, {"data", "list"}, value)).empty()) << value;
    }
    if (!is_string(value)) {
      EXPECT_EQ(domains_with(test::with_member(kDomains, {"data", "list", "0", "domain"}, value)),
                std::vector<std::string>{"lab"})
          << "domain " << value;
    }
    EXPECT_TRUE(domains_with(value).empty()) << "root " << value;

    ReplyOutcome<> result =
        register_with({200, test::with_member(R"({"success":false,"message":"满"})", {"success"}, value)});
    EXPECT_EQ(result.ok(), truthy(value)) << value;
    if (!truthy(value)) {
      EXPECT_EQ(result.message, "满") << value;
    }
    result = register_with({200, test::with_member(R"({"success":false,"message":"满"})", {"message"}, value)});
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.message, is_string(value) ? text_of(value) : "未知错误") << value;
    result = register_with({200, value});
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.message, "未知错误") << value;
  }
}

TEST_F(HostileRegistration, TextsThatAreNotUtf8AreNeverShown) {
  const std::string bad = test::kLoneSurrogate;
  const std::vector<std::string> domains =
      domains_with(R"({"success":true,"data":{"list":[{"domain":"corp)" + bad + R"("}]}})");
  ASSERT_EQ(domains.size(), 1u);
  expect_replaced(domains[0], "corp");
  // The same names as the registration form offers them.
  build_login();
  std::vector<std::string> offered;
  dialogs_->inspect_with([&](GtkDialog* dialog) { offered = test::shown_texts(GTK_WIDGET(dialog)); });
  run([this] { show_register_dialog(login_); });
  EXPECT_EQ(test::first_invalid_utf8(offered), "");
  EXPECT_NE(std::find_if(offered.begin(), offered.end(), [](const std::string& t) { return t.starts_with("corp"); }),
            offered.end());

  EXPECT_TRUE(domains_with(R"({"success":true,"data":{"list":[{"domain":")" + test::kBadBytes + "\"}]}})").empty());

  ReplyOutcome<> result = register_with({200, R"({"success":false,"message":"满)" + bad + "\"}"});
  expect_replaced(result.message, "满");
  result = register_with({200, R"({"success":false,"message":")" + test::kBadBytes + "\"}"});
  EXPECT_EQ(result.message, "解析服务器响应失败");
}

// ---- The configuration file ----

// A text that is not UTF-8 once loaded would be saved back as such, and the
// file would then not load at all: every setting lost at the next start.
TEST(HostileConfigFile, ATextThatIsNotUtf8IsNeverWrittenBack) {
  test::write_file(test::config_path(), std::string(R"({"server_address":"http://127.0.0.1:1/)") +
                                            test::kLoneSurrogate + R"(","protocol":"spice","username":"a)" +
                                            test::kLoneSurrogate + R"(b","setting":true})");
  test::capture_prints();
  EXPECT_TRUE(load_config());
  EXPECT_TRUE(save_config());
  apply_config_defaults(app_config);
  EXPECT_TRUE(load_config()) << "the saved file loads";
  const std::string printed = test::captured_prints();
  EXPECT_EQ(printed, "配置文件加载成功\n配置文件加载成功\n");
  expect_replaced(app_config.server_address, "http://127.0.0.1:1/");
  expect_replaced(app_config.username, "a");
  EXPECT_STREQ(app_config.protocol, "spice");
  EXPECT_EQ(app_config.setting, 1);
  test::remove_file(test::config_path());
}

}  // namespace
}  // namespace kesta

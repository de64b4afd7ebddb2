// The stand-in service, driven by a plain libsoup client (not the client's
// own code), over HTTP, HTTPS and WebSocket.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <libsoup/soup.h>

#include "api_paths.h"
#include "base/ptr.h"
#include "demo_data.h"
#include "stand_in.h"
#include "support/spin.h"

namespace kesta::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Answer {
  unsigned status = 0;
  std::string body;
  std::string content_type;
};

struct Call {
  std::string method = "GET";
  std::string token;
  std::string body;
  unsigned timeout = 10;
};

Answer send(const std::string& url, const Call& call = {}) {
  const RefPtr<SoupSession> session = take_ref(soup_session_new_with_options(
      SOUP_SESSION_SSL_STRICT, FALSE, SOUP_SESSION_TIMEOUT, call.timeout, nullptr));
  const RefPtr<SoupMessage> message = take_ref(soup_message_new(call.method.c_str(), url.c_str()));
  if (!call.token.empty())
    soup_message_headers_append(message->request_headers, "Authorization", ("Bearer " + call.token).c_str());
  if (!call.body.empty())
    soup_message_set_request(message.get(), "application/json", SOUP_MEMORY_COPY, call.body.data(), call.body.size());
  Answer answer;
  answer.status = soup_session_send_message(session.get(), message.get());
  answer.body.assign(message->response_body->data, message->response_body->length);
  if (const char* type = soup_message_headers_get_content_type(message->response_headers, nullptr))
    answer.content_type = type;
  return answer;
}

Call post(std::string body = "", std::string token = "") { return Call{"POST", std::move(token), std::move(body), 10}; }
Call get_with(std::string token) { return Call{"GET", std::move(token), "", 10}; }

// The reply, parsed; a test fails when it is not JSON.
class Json {
 public:
  explicit Json(const std::string& text) : parser_(take_ref(json_parser_new())) {
    Error error;
    EXPECT_TRUE(json_parser_load_from_data(parser_.get(), text.c_str(), -1, error)) << text;
    root_ = json_parser_get_root(parser_.get());
  }
  // The node at a path of member names and array indexes ("data", "0",
  // "vmid"), or null.
  JsonNode* at(std::initializer_list<const char*> path) const {
    JsonNode* node = root_;
    for (const char* step : path) {
      if (!node) return nullptr;
      if (JSON_NODE_HOLDS_OBJECT(node)) {
        node = json_object_get_member(json_node_get_object(node), step);
      } else if (JSON_NODE_HOLDS_ARRAY(node)) {
        JsonArray* array = json_node_get_array(node);
        const guint index = static_cast<guint>(std::stoul(step));
        node = index < json_array_get_length(array) ? json_array_get_element(array, index) : nullptr;
      } else {
        return nullptr;
      }
    }
    return node;
  }
  std::string text(std::initializer_list<const char*> path) const {
    JsonNode* node = at(path);
    return node && JSON_NODE_HOLDS_VALUE(node) && json_node_get_value_type(node) == G_TYPE_STRING
               ? json_node_get_string(node)
               : "<no text>";
  }
  bool success() const {
    JsonNode* node = at({"success"});
    return node && JSON_NODE_HOLDS_VALUE(node) && json_node_get_boolean(node);
  }
  guint length(std::initializer_list<const char*> path) const {
    JsonNode* node = at(path);
    return node && JSON_NODE_HOLDS_ARRAY(node) ? json_array_get_length(json_node_get_array(node)) : 0;
  }

 private:
  RefPtr<JsonParser> parser_;
  JsonNode* root_ = nullptr;
};

std::string login_body(const std::string& user, const std::string& password) {
  return R"({"username":")" + user + R"(","password":")" + password + R"("})";
}

std::string vm_status(StandIn& stand_in, const std::string& vmid) {
  for (const Vm& vm : stand_in.service().vms())
    if (vm.vmid == vmid) return vm.status;
  return "<no such VM>";
}

class Service : public testing::Test {
 protected:
  void SetUp() override {
    stand_in_.service().add_account("alice", "alice123", "tok-alice");
    stand_in_.service().set_vms({{"vm-1", "办公桌面", "stopped", "办公池", "spice", false},
                                 {"vm-2", "设计工作站", "running", "设计池", "freerdp2", true}});
  }
  std::string at(const std::string& path_and_query) const { return stand_in_.url() + path_and_query; }

  StandIn stand_in_;
};

TEST_F(Service, LoginAnswersTokensAndRejectionsAndRecordsTheRequest) {
  EXPECT_TRUE(stand_in_.url().starts_with("http://127.0.0.1:"));

  Answer answer = send(at(paths::kLogin), post(login_body("alice", "alice123")));
  ASSERT_EQ(answer.status, 200u) << answer.body;
  EXPECT_EQ(answer.content_type, "application/json");
  EXPECT_TRUE(Json(answer.body).success());
  EXPECT_EQ(Json(answer.body).text({"data", "accessToken"}), "tok-alice");

  answer = send(at(paths::kLogin), post(login_body("alice", "wrong")));
  EXPECT_EQ(answer.status, 200u);
  EXPECT_EQ(answer.body, R"({"success":false,"message":"用户名或密码错误"})");

  // MAC logins only once they are switched on.
  const std::string mac = "52:54:00:12:34:56";
  EXPECT_FALSE(Json(send(at(paths::kLogin), post(login_body(mac + "@mac", mac))).body).success());
  stand_in_.service().accept_mac_logins(true);
  answer = send(at(paths::kLogin), post(login_body(mac + "@mac", mac)));
  EXPECT_EQ(Json(answer.body).text({"data", "accessToken"}), ServiceState::mac_token(mac));
  EXPECT_EQ(ServiceState::mac_token(mac), "mac-525400123456");
  EXPECT_FALSE(Json(send(at(paths::kLogin), post(login_body(mac + "@mac", "52:54:00:00:00:00"))).body).success());

  EXPECT_EQ(send(at(paths::kLogin), post("not json")).status, 400u);

  EXPECT_EQ(stand_in_.received().count(paths::kLogin), 6u);
  const auto last = stand_in_.received().last(paths::kLogin);
  ASSERT_TRUE(last);
  EXPECT_EQ(last->method, "POST");
  EXPECT_EQ(last->body, "not json");
  EXPECT_EQ(last->header("content-type"), "application/json");
  EXPECT_FALSE(last->has_header("Authorization"));

  // Query, raw and decoded, and headers of an authenticated request.
  stand_in_.service().set_vm_config("vm 1", R"({"ip":"127.0.0.1","pool":{"pool":{"connecttype":"spice"}}})");
  answer = send(at(std::string(paths::kVmConfig) + "?vmid=vm%201&note=a+b"), get_with("tok-alice"));
  EXPECT_EQ(answer.status, 200u);
  const auto config = stand_in_.received().last(paths::kVmConfig);
  ASSERT_TRUE(config);
  EXPECT_EQ(config->method, "GET");
  EXPECT_EQ(config->raw_query, "vmid=vm%201&note=a+b");
  EXPECT_EQ(config->query.at("vmid"), "vm 1");
  EXPECT_EQ(config->query.at("note"), "a b");
  EXPECT_EQ(config->header("Authorization"), "Bearer tok-alice");
  EXPECT_TRUE(config->body.empty());

  EXPECT_EQ(stand_in_.received().requests().size(), 7u);
  stand_in_.received().clear();
  EXPECT_TRUE(stand_in_.received().requests().empty());
}

TEST_F(Service, VmListNeedsAGoodTokenAndAnExpiredOneComesBackWithALogin) {
  Answer answer = send(at(paths::kVmList));
  EXPECT_EQ(answer.status, 401u);
  EXPECT_FALSE(Json(answer.body).success());
  EXPECT_NE(Json(answer.body).text({"message"}), "<no text>");
  EXPECT_EQ(send(at(paths::kVmList), get_with("tok-nobody")).status, 401u);

  answer = send(at(paths::kVmList), get_with("tok-alice"));
  ASSERT_EQ(answer.status, 200u);
  const Json list(answer.body);
  EXPECT_TRUE(list.success());
  ASSERT_EQ(list.length({"data"}), 2u);
  EXPECT_EQ(list.text({"data", "0", "vmid"}), "vm-1");
  EXPECT_EQ(list.text({"data", "0", "vmname"}), "办公桌面");
  EXPECT_EQ(list.text({"data", "0", "status"}), "stopped");
  EXPECT_EQ(list.text({"data", "1", "pool", "poolname"}), "设计池");
  EXPECT_EQ(list.text({"data", "1", "pool", "connecttype"}), "freerdp2");
  EXPECT_TRUE(json_node_get_boolean(list.at({"data", "1", "pool", "rollback"})));

  stand_in_.service().set_vm_list_body(R"({"success":true,"data":[{"vmid":7}]})");
  EXPECT_EQ(send(at(paths::kVmList), get_with("tok-alice")).body, R"({"success":true,"data":[{"vmid":7}]})");
  // The raw body still needs the token.
  EXPECT_EQ(send(at(paths::kVmList)).status, 401u);
  stand_in_.service().set_vm_list_body(std::nullopt);

  stand_in_.service().expire_token("tok-alice");
  EXPECT_EQ(send(at(paths::kVmList), get_with("tok-alice")).status, 401u);
  EXPECT_EQ(send(at(std::string(paths::kVmConfig) + "?vmid=vm-1"), get_with("tok-alice")).status, 401u);
  EXPECT_EQ(send(at(std::string(paths::kVmStatusPrefix) + "start?vmid=vm-1"), post("", "tok-alice")).status, 401u);
  EXPECT_EQ(vm_status(stand_in_, "vm-1"), "stopped");
  send(at(paths::kLogin), post(login_body("alice", "alice123")));
  EXPECT_EQ(send(at(paths::kVmList), get_with("tok-alice")).status, 200u);
}

TEST_F(Service, PowerRequestsChangeTheStatusAndConfigurationsComeAsSet) {
  const auto power = [&](const std::string& action, const std::string& vmid) {
    return send(at(std::string(paths::kVmStatusPrefix) + action + "?vmid=" + vmid), post("", "tok-alice"));
  };
  Answer answer = power("start", "vm-1");
  EXPECT_EQ(answer.status, 200u);
  EXPECT_TRUE(Json(answer.body).success());
  EXPECT_EQ(vm_status(stand_in_, "vm-1"), "running");
  power("shutdown", "vm-1");
  EXPECT_EQ(vm_status(stand_in_, "vm-1"), "stopped");
  power("resume", "vm-1");
  EXPECT_EQ(vm_status(stand_in_, "vm-1"), "running");
  power("stop", "vm-1");
  EXPECT_EQ(vm_status(stand_in_, "vm-1"), "stopped");
  power("reboot", "vm-2");
  EXPECT_EQ(vm_status(stand_in_, "vm-2"), "running");
  power("reset", "vm-2");
  EXPECT_EQ(vm_status(stand_in_, "vm-2"), "running");

  answer = power("start", "vm-404");
  EXPECT_EQ(answer.status, 200u);
  EXPECT_EQ(answer.body, R"({"success":false,"message":"虚拟机不存在"})");
  EXPECT_EQ(power("explode", "vm-1").status, 404u);
  EXPECT_EQ(send(at(std::string(paths::kVmStatusPrefix) + "start?vmid=vm-1"), get_with("tok-alice")).status, 405u);
  EXPECT_EQ(send(at(std::string(paths::kVmStatusPrefix) + "start?vmid=vm-1"), post()).status, 401u);
  EXPECT_EQ(stand_in_.received().last(std::string(paths::kVmStatusPrefix) + "reset")->raw_query, "vmid=vm-2");

  const std::string data = R"({"ip":"127.0.0.1","ostype":"win10","pool":{"pool":{"connecttype":"freerdp2"}}})";
  stand_in_.service().set_vm_config("vm-2", data);
  answer = send(at(std::string(paths::kVmConfig) + "?vmid=vm-2"), get_with("tok-alice"));
  EXPECT_EQ(answer.status, 200u);
  EXPECT_EQ(answer.body, R"({"success":true,"data":)" + data + R"(,"message":"成功"})");
  answer = send(at(std::string(paths::kVmConfig) + "?vmid=vm-1"), get_with("tok-alice"));
  EXPECT_EQ(answer.body, R"({"success":false,"message":"虚拟机不存在"})");
}

TEST_F(Service, DomainsAndRegistrations) {
  stand_in_.service().set_domains({"kesta.local", "corp.example", "lab.example"});
  Answer answer = send(at(std::string(paths::kDomainList) + "?page=1&size=999"));
  ASSERT_EQ(answer.status, 200u);
  Json domains(answer.body);
  EXPECT_TRUE(domains.success());
  ASSERT_EQ(domains.length({"data", "list"}), 3u);
  EXPECT_EQ(domains.text({"data", "list", "0", "domain"}), "kesta.local");
  EXPECT_EQ(domains.text({"data", "list", "2", "domain"}), "lab.example");
  EXPECT_FALSE(stand_in_.received().last(paths::kDomainList)->has_header("Authorization"));
  answer = send(at(std::string(paths::kDomainList) + "?page=2&size=2"));
  EXPECT_EQ(Json(answer.body).length({"data", "list"}), 1u);
  EXPECT_EQ(Json(answer.body).text({"data", "list", "0", "domain"}), "lab.example");

  const std::string body = R"({"username":"bob","password":"pw","nickname":"鲍勃","domain":"kesta.local"})";
  answer = send(at(paths::kRegister), post(body));
  EXPECT_EQ(answer.status, 200u);
  EXPECT_TRUE(Json(answer.body).success());
  const auto registrations = stand_in_.service().registrations();
  ASSERT_EQ(registrations.size(), 1u);
  EXPECT_EQ(registrations[0].username, "bob");
  EXPECT_EQ(registrations[0].password, "pw");
  EXPECT_EQ(registrations[0].nickname, "鲍勃");
  EXPECT_EQ(registrations[0].domain, "kesta.local");
  EXPECT_EQ(stand_in_.received().last(paths::kRegister)->body, body);

  answer = send(at(paths::kRegister), post(body));
  EXPECT_EQ(answer.body, R"({"success":false,"message":"server.hasuser"})");
  answer = send(at(paths::kRegister), post(R"({"username":"alice","password":"x","nickname":"","domain":"mac"})"));
  EXPECT_EQ(Json(answer.body).text({"message"}), "server.hasuser");
  EXPECT_EQ(stand_in_.service().registrations().size(), 1u);
}

TEST_F(Service, ForcedRepliesDelaysHeldAndCutRequests) {
  stand_in_.scripts().force_reply(paths::kLogin, Reply{500, "<html>oops</html>", "text/html"}, Repeat::Once);
  Answer answer = send(at(paths::kLogin), post(login_body("alice", "alice123")));
  EXPECT_EQ(answer.status, 500u);
  EXPECT_EQ(answer.body, "<html>oops</html>");
  EXPECT_EQ(answer.content_type, "text/html");
  EXPECT_TRUE(Json(send(at(paths::kLogin), post(login_body("alice", "alice123"))).body).success());

  // A forced reply comes before the token check.
  stand_in_.scripts().force_reply(paths::kVmList, Reply{200, R"({"success":true,"data":[]})"});
  EXPECT_EQ(send(at(paths::kVmList)).status, 200u);
  EXPECT_EQ(send(at(paths::kVmList)).status, 200u);
  stand_in_.scripts().clear(paths::kVmList);
  EXPECT_EQ(send(at(paths::kVmList)).status, 401u);

  // A delayed request does not hold up the others.
  stand_in_.scripts().delay(paths::kVmList, 600ms);
  Answer delayed;
  Clock::duration delayed_took{};
  std::atomic<bool> delayed_done = false;
  std::thread slow([&] {
    const auto start = Clock::now();
    delayed = send(at(paths::kVmList), get_with("tok-alice"));
    delayed_took = Clock::now() - start;
    delayed_done = true;
  });
  EXPECT_TRUE(spin_until([&] { return stand_in_.received().count(paths::kVmList) == 4; }));
  EXPECT_EQ(send(at(paths::kDomainList)).status, 200u);
  EXPECT_FALSE(delayed_done);
  slow.join();
  EXPECT_EQ(delayed.status, 200u);
  EXPECT_TRUE(Json(delayed.body).success());
  EXPECT_GE(delayed_took, 600ms);
  stand_in_.scripts().clear_all();

  // Held: the client gives up after its time-out; the stand-in still stops.
  stand_in_.scripts().hold(paths::kRegister);
  const auto held_start = Clock::now();
  answer = send(at(paths::kRegister), Call{"POST", "", R"({"username":"carol"})", 1});
  EXPECT_TRUE(SOUP_STATUS_IS_TRANSPORT_ERROR(answer.status)) << answer.status;
  EXPECT_GE(Clock::now() - held_start, 900ms);
  EXPECT_EQ(stand_in_.received().count(paths::kRegister), 1u);

  // Cut: headers and half a body, then the connection closes.
  stand_in_.scripts().cut(paths::kLogin);
  answer = send(at(paths::kLogin), post(login_body("alice", "alice123")));
  EXPECT_TRUE(SOUP_STATUS_IS_TRANSPORT_ERROR(answer.status)) << answer.status << " " << answer.body;
  stand_in_.scripts().clear(paths::kLogin);
  EXPECT_EQ(send(at(paths::kLogin), post(login_body("alice", "alice123"))).status, 200u);
}

// The client side of one WebSocket, as the status channel opens it.
class WebsocketClient {
 public:
  explicit WebsocketClient(const std::string& url)
      : session_(take_ref(soup_session_new_with_options(SOUP_SESSION_SSL_STRICT, FALSE, nullptr))) {
    const RefPtr<SoupMessage> message = take_ref(soup_message_new("GET", url.c_str()));
    soup_session_websocket_connect_async(session_.get(), message.get(), nullptr, nullptr, nullptr, on_connected, this);
  }
  ~WebsocketClient() {
    if (connection_) g_signal_handlers_disconnect_by_data(connection_.get(), this);
  }

  // Waits for the handshake; true when it succeeded.
  bool wait_connected() {
    EXPECT_TRUE(spin_until([&] { return finished_; }));
    return connection_ != nullptr;
  }

  SoupWebsocketConnection* connection() const { return connection_.get(); }
  const std::string& error() const { return error_; }
  const std::vector<std::string>& received() const { return received_; }
  bool closed() const { return closed_; }

 private:
  static void on_connected(GObject* session, GAsyncResult* result, gpointer self) noexcept {
    auto* client = static_cast<WebsocketClient*>(self);
    Error error;
    client->connection_ = take_ref(soup_session_websocket_connect_finish(SOUP_SESSION(session), result, error));
    client->finished_ = true;
    if (!client->connection_) {
      client->error_ = error.message_or("");
      return;
    }
    // Large enough for the big frame of the test.
    soup_websocket_connection_set_max_incoming_payload_size(client->connection_.get(), 1 << 20);
    g_signal_connect(client->connection_.get(), "message", G_CALLBACK(on_message), client);
    g_signal_connect(client->connection_.get(), "closed", G_CALLBACK(on_closed), client);
  }
  static void on_message(SoupWebsocketConnection*, gint, GBytes* message, gpointer self) noexcept {
    gsize size = 0;
    const auto* data = static_cast<const char*>(g_bytes_get_data(message, &size));
    static_cast<WebsocketClient*>(self)->received_.emplace_back(data ? data : "", size);
  }
  static void on_closed(SoupWebsocketConnection*, gpointer self) noexcept {
    static_cast<WebsocketClient*>(self)->closed_ = true;
  }

  RefPtr<SoupSession> session_;
  RefPtr<SoupWebsocketConnection> connection_;
  bool finished_ = false;
  std::string error_;
  std::vector<std::string> received_;
  bool closed_ = false;
};

std::string websocket_url(const StandIn& stand_in, const std::string& token) {
  std::string url = stand_in.url();
  url.replace(0, url.find(':'), url.starts_with("https") ? "wss" : "ws");
  return url + paths::kWebsocket + "?token=Bearer%20" + token;
}

TEST_F(Service, WebsocketHandshakesMessagesAndClosing) {
  // Refused: a bad token, then a scripted refusal with a good one.
  WebsocketClient bad_token(websocket_url(stand_in_, "tok-nobody"));
  EXPECT_FALSE(bad_token.wait_connected());
  stand_in_.scripts().force_reply(paths::kWebsocket, Reply{403, R"({"success":false,"message":"禁止"})"});
  WebsocketClient refused(websocket_url(stand_in_, "tok-alice"));
  EXPECT_FALSE(refused.wait_connected());
  EXPECT_FALSE(refused.error().empty());
  EXPECT_EQ(stand_in_.received().websocket_handshakes(), 0u);
  EXPECT_EQ(stand_in_.received().count(paths::kWebsocket), 2u);
  stand_in_.scripts().clear(paths::kWebsocket);

  WebsocketClient client(websocket_url(stand_in_, "tok-alice"));
  ASSERT_TRUE(client.wait_connected()) << client.error();
  EXPECT_EQ(stand_in_.received().websocket_handshakes(), 1u);
  EXPECT_EQ(stand_in_.received().open_websockets(), 1u);
  const auto handshake = stand_in_.received().last(paths::kWebsocket);
  ASSERT_TRUE(handshake);
  EXPECT_EQ(handshake->raw_query, "token=Bearer%20tok-alice");
  EXPECT_EQ(handshake->query.at("token"), "Bearer tok-alice");

  const auto before = Clock::now();
  const std::string status = R"({"type":"status","memory":41.5,"cpu":3.25,"hostname":"thin-01"})";
  soup_websocket_connection_send_text(client.connection(), status.c_str());
  ASSERT_TRUE(spin_until([&] { return stand_in_.received().websocket_messages().size() == 1; }));
  const WebsocketMessage message = stand_in_.received().websocket_messages()[0];
  EXPECT_EQ(message.text, status);
  EXPECT_GE(message.received, before);
  EXPECT_LE(message.received, Clock::now());

  const std::string big(200 * 1024, 'x');
  EXPECT_EQ(stand_in_.send_websocket_text("hello"), 1u);
  EXPECT_EQ(stand_in_.send_websocket_text(big), 1u);
  ASSERT_TRUE(spin_until([&] { return client.received().size() == 2; }));
  EXPECT_EQ(client.received()[0], "hello");
  EXPECT_EQ(client.received()[1], big);

  EXPECT_EQ(stand_in_.close_websockets(), 1u);
  ASSERT_TRUE(spin_until([&] { return client.closed(); }));
  EXPECT_EQ(soup_websocket_connection_get_close_code(client.connection()), SOUP_WEBSOCKET_CLOSE_NORMAL);
  EXPECT_TRUE(spin_until([&] { return stand_in_.received().open_websockets() == 0; }));
  EXPECT_EQ(stand_in_.send_websocket_text("nobody listens"), 0u);

  // A second connection is left open for the stand-in to drop when it stops.
  WebsocketClient again(websocket_url(stand_in_, "tok-alice"));
  ASSERT_TRUE(again.wait_connected()) << again.error();
  EXPECT_EQ(stand_in_.received().websocket_handshakes(), 2u);
}

TEST(ServiceOverHttps, LoginListAndWebsocketWithASelfSignedCertificate) {
  StandIn stand_in(StandInOptions{.https = true});
  stand_in.service().add_account("alice", "alice123", "tok-alice");
  ASSERT_TRUE(stand_in.url().starts_with("https://127.0.0.1:"));

  const RefPtr<SoupSession> session =
      take_ref(soup_session_new_with_options(SOUP_SESSION_SSL_STRICT, FALSE, SOUP_SESSION_TIMEOUT, 10, nullptr));
  const std::string body = login_body("alice", "alice123");
  const RefPtr<SoupMessage> message =
      take_ref(soup_message_new("POST", (stand_in.url() + paths::kLogin).c_str()));
  soup_message_set_request(message.get(), "application/json", SOUP_MEMORY_COPY, body.data(), body.size());
  ASSERT_EQ(soup_session_send_message(session.get(), message.get()), 200u);
  EXPECT_EQ(Json(std::string(message->response_body->data, message->response_body->length))
                .text({"data", "accessToken"}),
            "tok-alice");
  GTlsCertificate* certificate = nullptr;
  GTlsCertificateFlags errors{};
  ASSERT_TRUE(soup_message_get_https_status(message.get(), &certificate, &errors));
  ASSERT_NE(certificate, nullptr);
  EXPECT_TRUE(errors & G_TLS_CERTIFICATE_UNKNOWN_CA);
  EXPECT_FALSE(errors & G_TLS_CERTIFICATE_BAD_IDENTITY);

  EXPECT_EQ(send(stand_in.url() + paths::kVmList, get_with("tok-alice")).status, 200u);
  EXPECT_EQ(send(stand_in.url() + paths::kVmList).status, 401u);

  WebsocketClient client(websocket_url(stand_in, "tok-alice"));
  ASSERT_TRUE(client.wait_connected()) << client.error();
  soup_websocket_connection_send_text(client.connection(), R"({"type":"status"})");
  EXPECT_TRUE(spin_until([&] { return stand_in.received().websocket_messages().size() == 1; }));
}

TEST(ServiceOverHttp, ListensOnTheAskedPortUnlessItIsTaken) {
  unsigned port = 0;
  {
    StandIn first;
    port = first.port();
    ASSERT_NE(port, 0u);
    EXPECT_THROW(StandIn(StandInOptions{.port = port}), std::runtime_error);
  }
  StandIn second(StandInOptions{.port = port});
  EXPECT_EQ(second.url(), "http://127.0.0.1:" + std::to_string(port));
  EXPECT_EQ(send(second.url() + paths::kDomainList).status, 200u);
}

TEST(DemoData, SixVmsOfEveryStateAndTypeEachWithAConfiguration) {
  StandIn stand_in;
  load_demo_data(stand_in.service());
  const std::string token = Json(send(stand_in.url() + paths::kLogin, post(login_body("demo", "demo123"))).body)
                                .text({"data", "accessToken"});
  EXPECT_TRUE(Json(send(stand_in.url() + paths::kLogin, post(login_body("alice", "alice123"))).body).success());
  const std::string mac = "AA:BB:CC:00:11:22";
  EXPECT_TRUE(Json(send(stand_in.url() + paths::kLogin, post(login_body(mac + "@mac", mac))).body).success());
  EXPECT_EQ(Json(send(stand_in.url() + paths::kDomainList + "?page=1&size=999").body).length({"data", "list"}), 2u);

  const Json list(send(stand_in.url() + paths::kVmList, get_with(token)).body);
  ASSERT_EQ(list.length({"data"}), 6u);
  std::set<std::string> statuses;
  std::set<std::string> types;
  for (guint i = 0; i < 6; ++i) {
    const std::string index = std::to_string(i);
    const std::string vmid = list.text({"data", index.c_str(), "vmid"});
    const std::string type = list.text({"data", index.c_str(), "pool", "connecttype"});
    statuses.insert(list.text({"data", index.c_str(), "status"}));
    types.insert(type);
    const Json config(send(stand_in.url() + paths::kVmConfig + "?vmid=" + vmid, get_with(token)).body);
    ASSERT_TRUE(config.success()) << vmid;
    EXPECT_EQ(config.text({"data", "ip"}), "127.0.0.1") << vmid;
    EXPECT_EQ(config.text({"data", "pool", "pool", "connecttype"}), type) << vmid;
    // The redirection flags are JSON text of their own.
    Json(config.text({"data", "pool", "pool", "resource"}));
    if (type == "spice" || type == "all") {
      EXPECT_EQ(config.text({"data", "spriceInfo", "host"}), "127.0.0.1") << vmid;
      EXPECT_EQ(json_node_get_int(config.at({"data", "spriceInfo", "tls-port"})), 5901) << vmid;
    }
  }
  EXPECT_EQ(statuses, (std::set<std::string>{"running", "stopped", "suspended", "paused", "error"}));
  EXPECT_EQ(types, (std::set<std::string>{"spice", "freerdp2", "freerdp3", "all", "blast", "pcoip"}));
}

}  // namespace
}  // namespace kesta::test

#include "api_router.h"

#include <algorithm>
#include <map>
#include <string>

#include "api_paths.h"
#include "base/ptr.h"
#include "json_text.h"

namespace kesta::test {

namespace {

constexpr std::string_view kBearer = "Bearer ";

Reply json_reply(unsigned status, bool success, std::string_view data_json, std::string_view message) {
  return Reply{status, envelope(success, data_json, message)};
}

Reply wrong_method() { return json_reply(405, false, "", "请求方法不支持"); }

// The string members of the JSON object in the body; nullopt when the body is
// not a JSON object.
std::optional<std::map<std::string, std::string>> string_members(const std::string& body) {
  const RefPtr<JsonParser> parser = take_ref(json_parser_new());
  if (!json_parser_load_from_data(parser.get(), body.data(), static_cast<gssize>(body.size()), nullptr))
    return std::nullopt;
  JsonNode* root = json_parser_get_root(parser.get());
  if (!root || !JSON_NODE_HOLDS_OBJECT(root)) return std::nullopt;
  std::map<std::string, std::string> members;
  JsonObject* object = json_node_get_object(root);
  json_object_foreach_member(
      object,
      [](JsonObject*, const char* name, JsonNode* node, gpointer out) noexcept {
        if (JSON_NODE_HOLDS_VALUE(node) && json_node_get_value_type(node) == G_TYPE_STRING)
          (*static_cast<std::map<std::string, std::string>*>(out))[name] = json_node_get_string(node);
      },
      &members);
  return members;
}

std::string member(const std::map<std::string, std::string>& members, const std::string& name) {
  const auto it = members.find(name);
  return it == members.end() ? std::string() : it->second;
}

unsigned query_number(const RecordedRequest& request, const std::string& name, unsigned fallback) {
  const std::string text = member(request.query, name);
  guint64 value = 0;
  if (!g_ascii_string_to_unsigned(text.c_str(), 10, 1, G_MAXUINT, &value, nullptr)) return fallback;
  return static_cast<unsigned>(value);
}

void add_string_member(JsonBuilder* b, const char* name, const std::string& value) {
  json_builder_set_member_name(b, name);
  json_builder_add_string_value(b, value.c_str());
}

void add_int_member(JsonBuilder* b, const char* name, gint64 value) {
  json_builder_set_member_name(b, name);
  json_builder_add_int_value(b, value);
}

std::string vm_list_json(const std::vector<Vm>& vms) {
  const RefPtr<JsonBuilder> builder = take_ref(json_builder_new());
  JsonBuilder* b = builder.get();
  json_builder_begin_array(b);
  for (const Vm& vm : vms) {
    json_builder_begin_object(b);
    add_string_member(b, "vmid", vm.vmid);
    add_string_member(b, "vmname", vm.vmname);
    add_string_member(b, "status", vm.status);
    json_builder_set_member_name(b, "pool");
    json_builder_begin_object(b);
    add_string_member(b, "poolname", vm.poolname);
    add_string_member(b, "connecttype", vm.connecttype);
    json_builder_set_member_name(b, "rollback");
    json_builder_add_boolean_value(b, vm.rollback);
    json_builder_end_object(b);
    json_builder_end_object(b);
  }
  json_builder_end_array(b);
  const JsonNodePtr root(json_builder_get_root(b));
  return node_text(root.get());
}

std::string domain_list_json(const std::vector<std::string>& domains, unsigned page, unsigned size) {
  const std::size_t first = std::min<std::size_t>(domains.size(), std::size_t{page - 1} * size);
  const std::size_t end = std::min<std::size_t>(domains.size(), first + size);
  const RefPtr<JsonBuilder> builder = take_ref(json_builder_new());
  JsonBuilder* b = builder.get();
  json_builder_begin_object(b);
  json_builder_set_member_name(b, "list");
  json_builder_begin_array(b);
  for (std::size_t i = first; i < end; ++i) {
    json_builder_begin_object(b);
    add_string_member(b, "domain", domains[i]);
    json_builder_end_object(b);
  }
  json_builder_end_array(b);
  add_int_member(b, "total", static_cast<gint64>(domains.size()));
  add_int_member(b, "page", page);
  add_int_member(b, "size", size);
  json_builder_end_object(b);
  const JsonNodePtr root(json_builder_get_root(b));
  return node_text(root.get());
}

// The status a power action leaves the VM in; nullopt for an unknown action.
std::optional<std::string> status_after(std::string_view action) {
  if (action == "start" || action == "resume" || action == "reboot" || action == "reset") return "running";
  if (action == "shutdown" || action == "stop") return "stopped";
  return std::nullopt;
}

}  // namespace

Reply ApiRouter::answer(const RecordedRequest& request) {
  const std::string_view path = request.path;
  if (path == paths::kLogin) return login(request);
  if (path == paths::kVmList) return vm_list(request);
  if (path.starts_with(paths::kVmStatusPrefix))
    return vm_power(request, path.substr(std::string_view(paths::kVmStatusPrefix).size()));
  if (path == paths::kVmConfig) return vm_config(request);
  if (path == paths::kDomainList) return domain_list(request);
  if (path == paths::kRegister) return register_account(request);
  return json_reply(404, false, "", "接口不存在");
}

std::optional<Reply> ApiRouter::refuse_websocket(const RecordedRequest& request) const {
  if (request.method != "GET") return wrong_method();
  return refuse_credential(member(request.query, "token"));
}

Reply ApiRouter::login(const RecordedRequest& request) {
  if (request.method != "POST") return wrong_method();
  const auto members = string_members(request.body);
  if (!members) return json_reply(400, false, "", "请求格式错误");
  const auto token = state_.sign_in(member(*members, "username"), member(*members, "password"));
  if (!token) return json_reply(200, false, "", "用户名或密码错误");
  return json_reply(200, true, R"({"accessToken":)" + json_quote(*token) + "}", "登录成功");
}

Reply ApiRouter::vm_list(const RecordedRequest& request) {
  if (request.method != "GET") return wrong_method();
  if (auto refusal = refuse_credential(request.header("Authorization"))) return *refusal;
  if (auto body = state_.vm_list_body()) return Reply{200, std::move(*body)};
  return json_reply(200, true, vm_list_json(state_.vms()), "成功");
}

Reply ApiRouter::vm_power(const RecordedRequest& request, std::string_view action) {
  if (request.method != "POST") return wrong_method();
  if (auto refusal = refuse_credential(request.header("Authorization"))) return *refusal;
  const auto status = status_after(action);
  if (!status) return json_reply(404, false, "", "不支持的操作");
  if (!state_.set_vm_status(member(request.query, "vmid"), *status)) return json_reply(200, false, "", "虚拟机不存在");
  return json_reply(200, true, "", "操作成功");
}

Reply ApiRouter::vm_config(const RecordedRequest& request) {
  if (request.method != "GET") return wrong_method();
  if (auto refusal = refuse_credential(request.header("Authorization"))) return *refusal;
  const auto data = state_.vm_config(member(request.query, "vmid"));
  if (!data) return json_reply(200, false, "", "虚拟机不存在");
  return json_reply(200, true, *data, "成功");
}

Reply ApiRouter::domain_list(const RecordedRequest& request) {
  if (request.method != "GET") return wrong_method();
  const unsigned page = query_number(request, "page", 1);
  const unsigned size = query_number(request, "size", 10);
  return json_reply(200, true, domain_list_json(state_.domains(), page, size), "成功");
}

Reply ApiRouter::register_account(const RecordedRequest& request) {
  if (request.method != "POST") return wrong_method();
  const auto members = string_members(request.body);
  if (!members || member(*members, "username").empty()) return json_reply(400, false, "", "请求格式错误");
  Registration registration{member(*members, "username"), member(*members, "password"),
                            member(*members, "nickname"), member(*members, "domain")};
  if (!state_.add_registration(std::move(registration))) return json_reply(200, false, "", "server.hasuser");
  return json_reply(200, true, "", "注册成功，请等待管理员审核");
}

std::optional<Reply> ApiRouter::refuse_credential(const std::string& credential) const {
  if (!credential.starts_with(kBearer)) return json_reply(401, false, "", "缺少访问令牌");
  switch (state_.token_state(credential.substr(kBearer.size()))) {
    case TokenState::Valid:
      return std::nullopt;
    case TokenState::Expired:
      return json_reply(401, false, "", "登录已过期，请重新登录");
    case TokenState::Unknown:
      break;
  }
  return json_reply(401, false, "", "无效的访问令牌");
}

}  // namespace kesta::test

#include "api/vm_list.h"

#include <libsoup/soup.h>

#include <algorithm>
#include <string>

#include "api/reply_json.h"
#include "base/fixed_text.h"
#include "base/i18n.h"
#include "base/json_read.h"

namespace kesta {

namespace {

// A member that is absent takes the default; one that is present but not a
// string (null, a number) gives the empty text.
template <std::size_t N>
void read_field(JsonObject* entry, const char* key, char (&field)[N], const char* absent) {
  if (!member(entry, key))
    copy_fixed(field, absent);
  else
    copy_fixed(field, string_member(entry, key));
}

VmInfo read_vm(JsonObject* entry) {
  VmInfo vm{};
  read_field(entry, "vmid", vm.vmid, "");
  read_field(entry, "vmname", vm.vmname, _("未命名虚拟机"));
  read_field(entry, "status", vm.status, "unknown");
  JsonObject* pool = object_member(entry, "pool");
  read_field(pool, "poolname", vm.poolname, "");
  read_field(pool, "connecttype", vm.connecttype, "");
  vm.rollback = flag_member(pool, "rollback").value_or(false) ? 1 : 0;
  return vm;
}

}  // namespace

ReplyOutcome<VmList> parse_vm_list(std::string_view body) {
  ReplyOutcome<VmList> outcome{ReplyKind::Unreadable, 0, {}, {}};
  const std::optional<JsonDocument> document = parse_reply(body, &outcome.message);
  if (!document) return outcome;
  JsonObject* root = document->root_object();
  if (!flag_member(root, "success").value_or(false)) return {ReplyKind::Refused, 0, refusal_message(root), {}};
  outcome = {ReplyKind::Ok, 0, {}, {}};
  JsonNode* data = member(root, "data");
  if (!data || !JSON_NODE_HOLDS_ARRAY(data)) return outcome;
  JsonArray* array = json_node_get_array(data);
  const guint length = json_array_get_length(array);
  VmList& vms = outcome.record;
  vms.reserve(std::min<std::size_t>(length, kMaxVms));
  for (guint i = 0; i < length && vms.size() < kMaxVms; ++i) {
    // An element that is no object describes no VM.
    JsonNode* element = json_array_get_element(array, i);
    if (JSON_NODE_HOLDS_OBJECT(element)) vms.push_back(read_vm(json_node_get_object(element)));
  }
  return outcome;
}

HttpRequest vm_list_request(const char* server_address, const char* token) {
  HttpRequest request;
  request.url = std::string(server_address) + "/api/custom/getUserVmList";
  request.token = token;
  request.timeout = kReplyTimeoutSeconds;
  return request;
}

PendingRequest fetch_vm_list_async(const char* server_address, const char* token,
                                   std::function<void(ReplyOutcome<VmList>)> done) {
  const HttpRequest request = vm_list_request(server_address, token);
  return send_request_async(request, [url = request.url, done = std::move(done)](std::optional<HttpReply> reply) {
    if (!reply) {
      print_unmade_request(url);
      return done({});
    }
    if (reply->status == SOUP_STATUS_OK) return done(with_status(parse_vm_list(reply->body), reply->status));
    g_print("请求虚拟机列表失败，状态码: %d\n", static_cast<int>(reply->status));
    if (!reply->body.empty()) g_print("错误信息: %s\n", readable_text(reply->body, kMaxLoggedReply).c_str());
    done(failed_outcome<VmList>(*reply));
  });
}

}  // namespace kesta

#include "api/domain_list.h"

#include <libsoup/soup.h>

#include <optional>

#include "api/http.h"
#include "api/reply_json.h"
#include "base/fixed_text.h"
#include "base/json_read.h"

namespace kesta {

namespace {

// A field of this size keeps a name of at most kMaxDomainBytes bytes.
constexpr std::size_t kDomainFieldSize = kMaxDomainBytes + 1;

// The names of a parsed reply, or a refusal that says why there are none to
// take.
ReplyOutcome<DomainList> read_domains(JsonObject* root) {
  // A "success" of any type is reported as found, and true only as a flag.
  JsonNode* success_node = member(root, "success");
  const bool success = node_flag(success_node);
  if (success_node)
    g_print("DEBUG: JSON success字段: %s\n", success ? "true" : "false");
  else
    g_print("DEBUG: JSON中未找到success字段\n");
  JsonObject* data = object_member(root, "data");
  if (!success || !data) {
    g_print("DEBUG: JSON中未找到data字段或请求不成功\n");
    return {ReplyKind::Refused, 0, refusal_message(root), {}};
  }
  JsonNode* list = member(data, "list");
  if (!list || !JSON_NODE_HOLDS_ARRAY(list)) {
    g_print("DEBUG: JSON data对象中未找到list字段\n");
    return {ReplyKind::Refused, 0, refusal_message(root), {}};
  }
  ReplyOutcome<DomainList> outcome{ReplyKind::Ok, 0, {}, {}};
  DomainList& domains = outcome.record;
  JsonArray* items = json_node_get_array(list);
  const guint count = json_array_get_length(items);
  g_print("DEBUG: 找到域名列表，包含 %u 个项目\n", count);
  for (guint i = 0; i < count && domains.size() < kMaxDomains; ++i) {
    JsonNode* item = json_array_get_element(items, i);
    // Elements that are no object, or whose "domain" is no text, are skipped.
    const char* name = JSON_NODE_HOLDS_OBJECT(item) ? string_member(json_node_get_object(item), "domain") : nullptr;
    if (!name) continue;
    const std::string_view kept = clip(name, kDomainFieldSize);
    g_print("DEBUG: 添加域名: %s\n", readable_text(kept, kMaxDomainBytes).c_str());
    domains.emplace_back(kept);
  }
  return outcome;
}

}  // namespace

ReplyOutcome<DomainList> parse_domain_list(std::string_view body) {
  ReplyOutcome<DomainList> outcome{ReplyKind::Unreadable, 0, {}, {}};
  const std::optional<JsonDocument> document = parse_reply(body, &outcome.message, "DEBUG: JSON解析失败: %s\n");
  return document ? read_domains(document->root_object()) : outcome;
}

PendingRequest fetch_domain_list_async(const char* server_address, std::function<void(ReplyOutcome<DomainList>)> done) {
  HttpRequest request;
  request.url = std::string(server_address) + "/api/ad/getDomainList?page=1&size=999";
  request.timeout = kAnonymousTimeoutSeconds;
  g_print("DEBUG: 请求域名列表 URL: %s\n", request.url.c_str());

  return send_request_async(request, [done = std::move(done)](std::optional<HttpReply> reply) {
    if (!reply) {
      g_print("DEBUG: 创建HTTP请求失败\n");
      return done({});
    }
    g_print("DEBUG: 域名列表请求状态码: %u\n", reply->status);
    ReplyOutcome<DomainList> outcome;
    if (reply->status != SOUP_STATUS_OK) {
      g_print("DEBUG: 请求失败，无法获取域名列表\n");
      outcome = failed_outcome<DomainList>(*reply);
    } else {
      g_print("DEBUG: 收到域名列表响应，长度: %zu\n", reply->body.size());
      g_print("DEBUG: 响应前100个字符: %s\n", escape_controls(std::string_view(reply->body).substr(0, 100)).c_str());
      outcome = with_status(parse_domain_list(reply->body), reply->status);
    }
    g_print("DEBUG: 最终获取到 %zu 个域名\n", outcome.record.size());
    done(std::move(outcome));
  });
}

}  // namespace kesta

#include "api/vm_power.h"

#include <libsoup/soup.h>

#include "api/reply_json.h"
#include "base/i18n.h"
#include "base/json_read.h"

namespace kesta {

HttpRequest vm_power_request(const char* server_address, const char* token, const char* vmid,
                             const PowerCommand& command) {
  HttpRequest request;
  request.method = "POST";
  request.url = std::string(server_address) + "/api/custom/vm/status/" + command.word +
                "?vmid=" + query_value(vmid);
  request.token = token;
  request.timeout = kReplyTimeoutSeconds;
  return request;
}

namespace {

PowerReply read_power_reply(const std::optional<HttpReply>& reply, const std::string& url) {
  if (!reply) {
    g_print("创建HTTP消息失败，请检查URL格式: %s\n", url.c_str());
    return {ReplyKind::BadAddress, 0, {}};
  }
  if (reply->status == SOUP_STATUS_OK || reply->status == SOUP_STATUS_CREATED) {
    const std::optional<JsonDocument> document = parse_reply(reply->body);
    if (!document) return {ReplyKind::Unreadable, reply->status, {}};
    JsonObject* root = document->root_object();
    if (flag_member(root, "success").value_or(false)) return {ReplyKind::Ok, reply->status, {}};
    const char* message = string_member(root, "message");
    return {ReplyKind::Refused, reply->status, message ? message : _("未知错误")};
  }
  return {ReplyKind::Failed, reply->status, failed_reply_text(*reply)};
}

}  // namespace

PendingRequest send_vm_power_async(const char* server_address, const char* token, const char* vmid,
                                   const PowerCommand& command, std::function<void(PowerReply)> done) {
  const HttpRequest request = vm_power_request(server_address, token, vmid, command);
  g_print(command.log_format, request.url.c_str());
  return send_request_async(request, [url = request.url, done = std::move(done)](std::optional<HttpReply> reply) {
    done(read_power_reply(reply, url));
  });
}

}  // namespace kesta

#include "api/vm_config.h"

#include <libsoup/soup.h>

#include "api/reply_json.h"
#include "base/i18n.h"
#include "base/json_read.h"

namespace kesta {

HttpRequest vm_config_request(const char* server_address, const char* token, const char* vmid) {
  HttpRequest request;
  request.url = std::string(server_address) + "/api/custom/getVmConfig?vmid=" + query_value(vmid);
  request.token = token;
  request.timeout = kReplyTimeoutSeconds;
  return request;
}

VmConfigReply parse_vm_config(std::string_view body) {
  VmConfigReply result;
  const std::optional<JsonDocument> document = parse_reply(body);
  if (!document) {
    result.kind = ReplyKind::Unreadable;
    return result;
  }
  JsonObject* root = document->root_object();
  JsonObject* data = object_member(root, "data");
  if (!flag_member(root, "success").value_or(false) || !data) {
    const char* message = string_member(root, "message");
    result.kind = ReplyKind::Refused;
    result.message = message ? message : _("未知错误");
    return result;
  }
  result.kind = ReplyKind::Ok;
  result.config = read_vm_config(data);
  return result;
}

VmConfig read_vm_config(JsonObject* data) {
  VmConfig config{text_or_empty(data, "ip"), text_or_empty(data, "ostype"), std::nullopt, std::nullopt};
  if (JsonObject* pool = object_member(object_member(data, "pool"), "pool")) config.pool = read_pool_settings(pool);
  if (JsonObject* spice = object_member(data, "spriceInfo")) config.spice = read_spice_info(spice);
  return config;
}

PendingRequest send_vm_config_async(const char* server_address, const char* token, const char* vmid,
                                    std::function<void(VmConfigReply)> done) {
  const HttpRequest request = vm_config_request(server_address, token, vmid);
  return send_request_async(request, [url = request.url, done = std::move(done)](std::optional<HttpReply> reply) {
    VmConfigReply result;
    if (!reply) {
      g_print("创建HTTP消息失败，请检查URL格式: %s\n", url.c_str());
      return done(std::move(result));
    }
    result.status = reply->status;
    if (reply->status != SOUP_STATUS_OK) {
      result.kind = ReplyKind::Failed;
      result.message = failed_reply_text(*reply);
      return done(std::move(result));
    }
    VmConfigReply parsed = parse_vm_config(reply->body);
    parsed.status = reply->status;
    done(std::move(parsed));
  });
}

}  // namespace kesta

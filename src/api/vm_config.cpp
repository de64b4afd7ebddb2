#include "api/vm_config.h"

#include <libsoup/soup.h>

#include "api/reply_json.h"
#include "base/json_read.h"

namespace kesta {

HttpRequest vm_config_request(const char* server_address, const char* token, const char* vmid) {
  HttpRequest request;
  request.url = std::string(server_address) + "/api/custom/getVmConfig?vmid=" + query_value(vmid);
  request.token = token;
  request.timeout = kReplyTimeoutSeconds;
  return request;
}

ReplyOutcome<std::optional<VmConfig>> parse_vm_config(std::string_view body) {
  ReplyOutcome<std::optional<VmConfig>> outcome{ReplyKind::Unreadable, 0, {}, std::nullopt};
  const std::optional<JsonDocument> document = parse_reply(body, &outcome.message);
  if (!document) return outcome;
  JsonObject* root = document->root_object();
  JsonObject* data = object_member(root, "data");
  if (!flag_member(root, "success").value_or(false) || !data) return {ReplyKind::Refused, 0, refusal_message(root), {}};
  return {ReplyKind::Ok, 0, {}, read_vm_config(data)};
}

VmConfig read_vm_config(JsonObject* data) {
  VmConfig config{text_or_empty(data, "ip"), text_or_empty(data, "ostype"), std::nullopt, std::nullopt};
  if (JsonObject* pool = object_member(object_member(data, "pool"), "pool")) config.pool = read_pool_settings(pool);
  if (JsonObject* spice = object_member(data, "spriceInfo")) config.spice = read_spice_info(spice);
  return config;
}

PendingRequest send_vm_config_async(const char* server_address, const char* token, const char* vmid,
                                    std::function<void(ReplyOutcome<std::optional<VmConfig>>)> done) {
  const HttpRequest request = vm_config_request(server_address, token, vmid);
  return send_request_async(request, [url = request.url, done = std::move(done)](std::optional<HttpReply> reply) {
    if (!reply) {
      print_unmade_request(url);
      return done({});
    }
    if (reply->status != SOUP_STATUS_OK) return done(failed_outcome<std::optional<VmConfig>>(*reply));
    done(with_status(parse_vm_config(reply->body), reply->status));
  });
}

}  // namespace kesta

#include "api/vm_power.h"

#include <libsoup/soup.h>

#include "api/reply_json.h"
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

ReplyOutcome<> read_power_reply(const std::optional<HttpReply>& reply, const std::string& url) {
  if (!reply) {
    print_unmade_request(url);
    return {};
  }
  if (reply->status != SOUP_STATUS_OK && reply->status != SOUP_STATUS_CREATED) return failed_outcome(*reply);
  ReplyOutcome<> outcome{ReplyKind::Unreadable, reply->status, {}, {}};
  const std::optional<JsonDocument> document = parse_reply(reply->body, &outcome.message);
  if (!document) return outcome;
  JsonObject* root = document->root_object();
  if (flag_member(root, "success").value_or(false)) return {ReplyKind::Ok, reply->status, {}, {}};
  return {ReplyKind::Refused, reply->status, refusal_message(root), {}};
}

}  // namespace

PendingRequest send_vm_power_async(const char* server_address, const char* token, const char* vmid,
                                   const PowerCommand& command, std::function<void(ReplyOutcome<>)> done) {
  const HttpRequest request = vm_power_request(server_address, token, vmid, command);
  g_print(command.log_format, request.url.c_str());
  return send_request_async(request, [url = request.url, done = std::move(done)](std::optional<HttpReply> reply) {
    done(read_power_reply(reply, url));
  });
}

}  // namespace kesta

#include "api/registration.h"

#include <libsoup/soup.h>

#include <optional>
#include <string_view>

#include "api/http.h"
#include "api/json_body.h"
#include "api/reply_json.h"
#include "base/i18n.h"
#include "base/json_read.h"

namespace kesta {

ReplyOutcome<> parse_registration_reply(std::string_view body) {
  const std::optional<JsonDocument> document = parse_reply(body, nullptr, kSilent);
  if (!document) return {ReplyKind::Unreadable, 0, _("解析服务器响应失败"), {}};
  JsonObject* root = document->root_object();
  if (flag_member(root, "success").value_or(false)) return {ReplyKind::Ok, 0, {}, {}};
  const char* message = string_member(root, "message");
  if (message && std::string_view(message) == "server.hasuser") return {ReplyKind::Refused, 0, _("用户名已存在"), {}};
  return {ReplyKind::Refused, 0, refusal_message(root), {}};
}

PendingRequest register_account_async(const char* server_address, const char* username, const char* password,
                                      const char* nickname, const char* domain,
                                      std::function<void(ReplyOutcome<>)> done) {
  HttpRequest request;
  request.method = "POST";
  request.url = std::string(server_address) + "/api/custom/register";
  request.json_body =
      compact_json({{"username", username}, {"password", password}, {"nickname", nickname}, {"domain", domain}});
  request.timeout = kAnonymousTimeoutSeconds;

  return send_request_async(request, [done = std::move(done)](std::optional<HttpReply> reply) {
    if (!reply) return done({ReplyKind::BadAddress, 0, _("无法连接到服务器，请检查服务器地址是否正确"), {}});
    // A server that cannot be reached shows up here too, with libsoup's
    // transport status.
    if (reply->status != SOUP_STATUS_OK) {
      std::string text = GCharPtr(g_strdup_printf(_("服务器返回错误，状态码：%u"), reply->status)).get();
      if (reply->certificate_change) text += "\n" + certificate_change_message(*reply->certificate_change);
      return done({ReplyKind::Failed, reply->status, text, {}});
    }
    done(with_status(parse_registration_reply(reply->body), reply->status));
  });
}

}  // namespace kesta

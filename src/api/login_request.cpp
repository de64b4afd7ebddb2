#include "api/login_request.h"

#include <libsoup/soup.h>

#include "api/http.h"
#include "api/json_body.h"
#include "api/reply_json.h"
#include "base/fixed_text.h"
#include "base/i18n.h"
#include "base/json_read.h"

namespace kesta {

GCharPtr global_token;

namespace {

constexpr std::size_t kFailureMessageSize = 256;
constexpr std::size_t kMacNameSize = 128;

}  // namespace

ReplyOutcome<AccessToken> parse_login_reply(std::string_view body) {
  ReplyOutcome<AccessToken> outcome{ReplyKind::Unreadable, 0, {}, std::nullopt};
  const std::optional<JsonDocument> document = parse_reply(body, &outcome.message);
  if (!document) return outcome;
  JsonObject* root = document->root_object();
  JsonNode* data = member(root, "data");
  if (flag_member(root, "success").value_or(false) && data) {
    const char* token =
        JSON_NODE_HOLDS_OBJECT(data) ? string_member(json_node_get_object(data), "accessToken") : nullptr;
    return {ReplyKind::Ok, 0, {}, token ? AccessToken(token) : std::nullopt};
  }
  const char* message = string_member(root, "message");
  g_print("登录失败: %s\n", readable_text(message ? message : "未知错误", kMaxLoggedReply).c_str());
  return {ReplyKind::Refused, 0, refusal_message(root), std::nullopt};
}

std::string login_failure_message(const char* server_address, guint status, const std::string& body, Translate text) {
  std::string message = text(N_("无法连接到服务器"));
  switch (status) {
    case SOUP_STATUS_CANT_RESOLVE:
      message = std::string(text(N_("无法解析服务器地址: "))) + server_address;
      break;
    case SOUP_STATUS_CANT_CONNECT:
      message = std::string(text(N_("无法连接到服务器: "))) + server_address;
      break;
    case SOUP_STATUS_SSL_FAILED:
      message = text(N_("SSL连接失败"));
      break;
    case SOUP_STATUS_NONE:
      message = text(N_("连接超时，请检查网络或服务器地址"));
      break;
    default: {
      const std::optional<JsonDocument> document = parse_reply(body, nullptr, kSilent);
      if (const char* reason = document ? string_member(document->root_object(), "message") : nullptr)
        message = std::string(text(N_("登录失败: "))) + reason;
    }
  }
  return std::string(clip(message, kFailureMessageSize));
}

std::string mac_login_name(const char* mac) {
  return std::string(clip(std::string(mac) + "@mac", kMacNameSize));
}

PendingRequest request_login_async(const char* server_address, const char* username, const char* password,
                                   LoginHandler done) {
  HttpRequest request;
  request.method = "POST";
  request.url = std::string(server_address) + "/api/custom/login";
  request.json_body = compact_json({{"username", username}, {"password", password}});
  request.timeout = kAnonymousTimeoutSeconds;

  return send_request_async(request, [address = std::string(server_address),
                                      done = std::move(done)](std::optional<HttpReply> reply) {
    if (!reply) return done({});
    if (reply->status == SOUP_STATUS_OK) return done(with_status(parse_login_reply(reply->body), reply->status));
    g_print("请求失败，状态码: %d\n", static_cast<int>(reply->status));
    // Printed as it is, shown translated; under "SSL连接失败", why the
    // connection was refused.
    auto message = [&](Translate text) {
      std::string composed = login_failure_message(address.c_str(), reply->status, reply->body, text);
      if (reply->certificate_change) composed += "\n" + certificate_change_message(*reply->certificate_change, text);
      return composed;
    };
    g_print("错误信息: %s\n", readable_text(message(untranslated), kMaxLoggedReply).c_str());
    done({ReplyKind::Failed, reply->status, message(translated), std::nullopt});
  });
}

PendingRequest fetch_access_token_async(const char* server_address, const char* username, const char* password,
                                        std::function<void()> done) {
  std::string url = std::string(server_address) + "/api/custom/login";
  return request_login_async(server_address, username, password,
                             [url = std::move(url), done = std::move(done)](ReplyOutcome<AccessToken> outcome) {
                               if (outcome.record)
                                 global_token.reset(g_strdup(outcome.record->c_str()));
                               else if (outcome.kind == ReplyKind::BadAddress)
                                 print_unmade_request(url);
                               done();
                             });
}

}  // namespace kesta

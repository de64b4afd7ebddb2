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

LoginResult parse_login_reply(std::string_view body) {
  std::string reason;
  const std::optional<JsonDocument> document = parse_reply(body, &reason);
  if (!document) return {LoginResult::Kind::Unreadable, reason};
  JsonObject* root = document->root_object();
  JsonNode* data = member(root, "data");
  if (flag_member(root, "success").value_or(false) && data) {
    const char* token = data && JSON_NODE_HOLDS_OBJECT(data)
                            ? string_member(json_node_get_object(data), "accessToken")
                            : nullptr;
    if (token) return {LoginResult::Kind::Token, token};
    return {LoginResult::Kind::NoToken, {}};
  }
  const char* message = string_member(root, "message");
  g_print("登录失败: %s\n", readable_text(message ? message : "未知错误", kMaxLoggedReply).c_str());
  return {LoginResult::Kind::Rejected, message ? message : _("未知错误")};
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
      Error error;
      JsonDocument document(body, error);
      if (const char* reason = string_member(document.root_object(), "message"))
        message = std::string(text(N_("登录失败: "))) + reason;
    }
  }
  return std::string(clip(message, kFailureMessageSize));
}

std::string mac_login_name(const char* mac) {
  return std::string(clip(std::string(mac) + "@mac", kMacNameSize));
}

PendingRequest request_login_async(const char* server_address, const char* username, const char* password,
                                   guint timeout, LoginHandler done) {
  HttpRequest request;
  request.method = "POST";
  request.url = std::string(server_address) + "/api/custom/login";
  request.json_body = compact_json({{"username", username}, {"password", password}});
  request.timeout = timeout;

  return send_request_async(request, [address = std::string(server_address),
                                      done = std::move(done)](std::optional<HttpReply> reply) {
    if (!reply) return done({LoginResult::Kind::BadAddress, {}});
    if (reply->status == SOUP_STATUS_OK) return done(parse_login_reply(reply->body));
    g_print("请求失败，状态码: %d\n", static_cast<int>(reply->status));
    // Printed as it is, shown translated; under "SSL连接失败", why the
    // connection was refused.
    auto message = [&](Translate text) {
      std::string composed = login_failure_message(address.c_str(), reply->status, reply->body, text);
      if (reply->certificate_change) composed += "\n" + certificate_change_message(*reply->certificate_change, text);
      return composed;
    };
    g_print("错误信息: %s\n", readable_text(message(untranslated), kMaxLoggedReply).c_str());
    done({LoginResult::Kind::Failed, message(translated)});
  });
}

PendingRequest fetch_access_token_async(const char* server_address, const char* username, const char* password,
                                        guint timeout, std::function<void()> done) {
  std::string url = std::string(server_address) + "/api/custom/login";
  return request_login_async(server_address, username, password, timeout,
                             [url = std::move(url), done = std::move(done)](LoginResult result) {
                               if (result.kind == LoginResult::Kind::Token)
                                 global_token.reset(g_strdup(result.text.c_str()));
                               else if (result.kind == LoginResult::Kind::BadAddress)
                                 g_print("创建HTTP消息失败，请检查URL格式: %s\n", url.c_str());
                               done();
                             });
}

}  // namespace kesta

// Self-service registration: a new account for an administrator to approve.
#pragma once

#include <functional>
#include <string_view>

#include "api/http.h"

namespace kesta {

// Registration's outcomes carry, in every kind but Ok, the words the user is
// told, and none of them is printed.

// Reads a 200 reply's body: "解析服务器响应失败" when it does not parse, and
// a "message" of "server.hasuser" refuses as "用户名已存在"; status stays 0.
ReplyOutcome<> parse_registration_reply(std::string_view body);

// Sends {"username","password","nickname","domain"}, anonymously, with a
// timeout of kAnonymousTimeoutSeconds; accepts 200 only.  A URL that makes
// no request gives "无法连接到服务器，请检查服务器地址是否正确", any other
// status "服务器返回错误，状态码：%u" (with the refusal of a changed
// certificate below it).
PendingRequest register_account_async(const char* server_address, const char* username, const char* password,
                                      const char* nickname, const char* domain,
                                      std::function<void(ReplyOutcome<>)> done);

}  // namespace kesta

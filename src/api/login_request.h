// The login request: user name and password for an access token.
#pragma once

#include <glib.h>

#include <functional>
#include <string>
#include <string_view>

#include "api/http.h"
#include "base/i18n.h"
#include "base/ptr.h"

namespace kesta {

struct LoginResult {
  enum class Kind {
    Token,       // text: the token
    NoToken,     // accepted, but the reply holds no token
    Rejected,    // text: the service's message, or "未知错误"
    Unreadable,  // text: the parser's error
    Failed,      // text: the failure message for the status
    BadAddress,  // the URL makes no request
  };
  Kind kind;
  std::string text;
};

// Reads a 200 reply's body; prints the parser's error or the service's
// refusal.
LoginResult parse_login_reply(std::string_view body);

using LoginHandler = std::function<void(LoginResult)>;

// Sends the login request; timeout in seconds, 0 for none.  Prints its log
// lines when the reply is in; shows nothing.
PendingRequest request_login_async(const char* server_address, const char* username, const char* password,
                                   guint timeout, LoginHandler done);

// The token of the status channel's own sign-in; null until one succeeds.
extern GCharPtr global_token;

// Signs in (timeout in seconds, 0 for none) and keeps the token in
// global_token; a failure leaves global_token as it was.  done runs when the
// reply is in.
PendingRequest fetch_access_token_async(const char* server_address, const char* username, const char* password,
                                        guint timeout, std::function<void()> done);

// The message for a login to server_address answered with `status` (not
// 200) and body: printed as it is, shown translated.
std::string login_failure_message(const char* server_address, guint status, const std::string& body,
                                  Translate text = untranslated);

// "%s@mac" for a MAC address, as the user name of a MAC sign-in.
std::string mac_login_name(const char* mac);

}  // namespace kesta

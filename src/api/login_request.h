// The login request: user name and password for an access token.
#pragma once

#include <glib.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "api/http.h"
#include "base/i18n.h"
#include "base/ptr.h"

namespace kesta {

// The record of a login reply: the "accessToken" of its "data", or none
// when an accepted reply holds no text there.
using AccessToken = std::optional<std::string>;

// Reads a 200 reply's body; prints the parser's error or the service's
// refusal.  Ok for a reply with "success" true and a "data" member; status
// stays 0.
ReplyOutcome<AccessToken> parse_login_reply(std::string_view body);

using LoginHandler = std::function<void(ReplyOutcome<AccessToken>)>;

// Sends the login request, with a timeout of kAnonymousTimeoutSeconds.
// Prints its log lines when the reply is in; shows nothing.  A Failed
// outcome's message is login_failure_message's, translated, and below it
// the refusal of a changed certificate.
PendingRequest request_login_async(const char* server_address, const char* username, const char* password,
                                   LoginHandler done);

// The token of the status channel's own sign-in; null until one succeeds.
extern GCharPtr global_token;

// Signs in as request_login_async does and keeps the token in global_token;
// a failure leaves global_token as it was.  done runs when the reply is in.
PendingRequest fetch_access_token_async(const char* server_address, const char* username, const char* password,
                                        std::function<void()> done);

// The message for a login to server_address answered with `status` (not
// 200) and body: printed as it is, shown translated.
std::string login_failure_message(const char* server_address, guint status, const std::string& body,
                                  Translate text = untranslated);

// "%s@mac" for a MAC address, as the user name of a MAC sign-in.
std::string mac_login_name(const char* mac);

}  // namespace kesta

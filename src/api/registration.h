// Self-service registration: a new account for an administrator to approve.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "api/http.h"

namespace kesta {

struct RegistrationResult {
  bool accepted = false;
  // Why not, in words for the user; empty when accepted.
  std::string message;
};

// Reads a 200 reply's body.
RegistrationResult parse_registration_reply(std::string_view body);

// Sends {"username","password","nickname","domain"}, anonymously, with a
// 10-second timeout.  Prints nothing.
PendingRequest register_account_async(const char* server_address, const char* username, const char* password,
                                      const char* nickname, const char* domain,
                                      std::function<void(RegistrationResult)> done);

}  // namespace kesta

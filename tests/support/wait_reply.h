// The client's requests run on the main loop; a test that wants one reply
// starts the request and spins the loop until its handler has run.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <utility>

#include "api/domain_list.h"
#include "api/http.h"
#include "api/registration.h"
#include "support/spin.h"

namespace kesta::test {

// start(handler) sends the request and returns it; the result is what the
// handler got.
template <typename Result, typename Start>
Result wait_reply(Start start) {
  std::optional<Result> result;
  PendingRequest request = start([&result](Result r) { result = std::move(r); });
  if (!spin_until([&result] { return result.has_value(); }, std::chrono::minutes(2))) ADD_FAILURE() << "no reply in time";
  return result ? std::move(*result) : Result{};
}

// The requests the tests ask for one at a time, waited for.
inline std::optional<HttpReply> send_request(const HttpRequest& request) {
  return wait_reply<std::optional<HttpReply>>([&](auto done) { return send_request_async(request, done); });
}

// The names, empty for every failure.
inline DomainList fetch_domain_list(const char* server_address) {
  return wait_reply<ReplyOutcome<DomainList>>([&](auto done) { return fetch_domain_list_async(server_address, done); })
      .record;
}

inline ReplyOutcome<> register_account(const char* server_address, const char* username, const char* password,
                                       const char* nickname, const char* domain) {
  return wait_reply<ReplyOutcome<>>(
      [&](auto done) { return register_account_async(server_address, username, password, nickname, domain, done); });
}

}  // namespace kesta::test

// The service's answers to the web API, from what ServiceState holds.
#pragma once

#include <optional>
#include <string_view>

#include "records.h"
#include "service_state.h"

namespace kesta::test {

class ApiRouter {
 public:
  explicit ApiRouter(ServiceState& state) : state_(state) {}

  // The answer to any request that is not a WebSocket handshake.
  Reply answer(const RecordedRequest& request);
  // Why a handshake is refused, or nullopt when it may go ahead: its query
  // must carry token=Bearer%20<a good token>.
  std::optional<Reply> refuse_websocket(const RecordedRequest& request) const;

 private:
  Reply login(const RecordedRequest& request);
  Reply vm_list(const RecordedRequest& request);
  Reply vm_power(const RecordedRequest& request, std::string_view action);
  Reply vm_config(const RecordedRequest& request);
  Reply domain_list(const RecordedRequest& request);
  Reply register_account(const RecordedRequest& request);
  // A 401 unless the credential ("Bearer <token>") holds a good token.
  std::optional<Reply> refuse_credential(const std::string& credential) const;

  ServiceState& state_;
};

}  // namespace kesta::test

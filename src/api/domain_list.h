// The account domains the service offers to self-service registration.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "api/http.h"

namespace kesta {

// The names in a 200 reply's body, as below; prints its "DEBUG: " lines.
std::vector<std::string> parse_domain_list(std::string_view body);

// The names in the order of the reply, as sent (duplicates and empty names
// included).  Anonymous, 10-second timeout.  Every failure gives the empty
// list; the "DEBUG: " lines on standard output tell why.
PendingRequest fetch_domain_list_async(const char* server_address,
                                       std::function<void(std::vector<std::string>)> done);

}  // namespace kesta

// The account domains the service offers to self-service registration.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "api/http.h"

namespace kesta {

// Bounds on what a reply can put into the registration dialog: a name of
// megabytes takes GTK seconds to lay out, and a list of thousands would not
// be chosen from anyway.
inline constexpr std::size_t kMaxDomainBytes = 255;
inline constexpr std::size_t kMaxDomains = 1000;

// The names in the order of the reply, as sent (duplicates and empty names
// included), each cut to kMaxDomainBytes on a character boundary, the first
// kMaxDomains of them.
using DomainList = std::vector<std::string>;

// Reads a 200 reply's body: Unreadable, Refused (also for a reply without a
// "data" object or its "list" array), or Ok with the names of that "list";
// status stays 0.  Prints its "DEBUG: " lines.
ReplyOutcome<DomainList> parse_domain_list(std::string_view body);

// Asks for the names, anonymously, with a timeout of
// kAnonymousTimeoutSeconds; accepts 200 only.  Every failure gives the empty
// list; the "DEBUG: " lines on standard output tell why.
PendingRequest fetch_domain_list_async(const char* server_address, std::function<void(ReplyOutcome<DomainList>)> done);

}  // namespace kesta

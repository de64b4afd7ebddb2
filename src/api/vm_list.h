// The signed-in user's VMs.
#pragma once

#include <glib.h>

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

#include "api/http.h"

namespace kesta {

struct VmInfo {
  char vmid[64];
  char vmname[256];
  char status[32];
  char poolname[256];
  char connecttype[64];
  gint32 rollback;
};

// In the order of the reply.
using VmList = std::vector<VmInfo>;

// The most VMs a list holds; the reply's later ones are left out.
inline constexpr std::size_t kMaxVms = 100000;

// Reads a 200 reply's body: Unreadable, Refused, or Ok with the first
// kMaxVms objects of its "data" (none when "data" is no array); status stays
// 0.  Prints the parser's error when it does not parse.
ReplyOutcome<VmList> parse_vm_list(std::string_view body);

// The request for the list, with the token.
HttpRequest vm_list_request(const char* server_address, const char* token);

// Fetches the list with the token; accepts 200 only.  Every failure gives
// an empty list, and prints why when the reply is in.
PendingRequest fetch_vm_list_async(const char* server_address, const char* token,
                                   std::function<void(ReplyOutcome<VmList>)> done);

}  // namespace kesta

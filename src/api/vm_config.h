// How to reach one VM: its address, connection type and pool settings.
#pragma once

#include <glib.h>
#include <json-glib/json-glib.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "api/http.h"
#include "api/pool_settings.h"

namespace kesta {

// The "data" of a configuration reply.
struct VmConfig {
  std::string address;  // "ip"; empty when absent or not a string
  std::string os_type;  // "ostype", the same
  // "pool"."pool"; nothing when either is not an object.
  std::optional<PoolSettings> pool;
  // "spriceInfo"; nothing when it is not an object.
  std::optional<SpiceInfo> spice;
};

// Reads a reply's "data" object; data may be null.
VmConfig read_vm_config(JsonObject* data);

// The request for the VM's connection configuration, with the token.
HttpRequest vm_config_request(const char* server_address, const char* token, const char* vmid);

// Reads a 200 reply's body: Unreadable, Refused (also for a reply without a
// "data" object), or Ok with the configuration of its "data"; status stays
// 0.  Prints the parser's error.
ReplyOutcome<std::optional<VmConfig>> parse_vm_config(std::string_view body);

// Asks for the VM's connection configuration; accepts 200 only.  Prints
// parser errors; the caller handles a 401 before anything else is said.
PendingRequest send_vm_config_async(const char* server_address, const char* token, const char* vmid,
                                    std::function<void(ReplyOutcome<std::optional<VmConfig>>)> done);

}  // namespace kesta

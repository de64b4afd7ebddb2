// Power requests for one VM: resume, start, or an action word.
#pragma once

#include <functional>

#include "api/http.h"

namespace kesta {

struct PowerCommand {
  // The path word: "resume", "start", "shutdown", "stop", "reboot", "reset".
  const char* word;
  // The line printed with the URL before sending.
  const char* log_format;
};

inline constexpr PowerCommand kResume{"resume", "恢复虚拟机URL: %s\n"};
inline constexpr PowerCommand kStart{"start", "启动虚拟机URL: %s\n"};
// Every action word is logged alike.
inline constexpr PowerCommand action_command(const char* word) { return {word, "关机虚拟机URL: %s\n"}; }

// The request for the command on the VM, with the token.
HttpRequest vm_power_request(const char* server_address, const char* token, const char* vmid,
                             const PowerCommand& command);

// Accepts 200 and 201.  Prints the URL line when sending, and parser errors
// before the caller looks at the status: a 401 is the caller's to handle
// before anything else is said.
PendingRequest send_vm_power_async(const char* server_address, const char* token, const char* vmid,
                                   const PowerCommand& command, std::function<void(ReplyOutcome<>)> done);

}  // namespace kesta

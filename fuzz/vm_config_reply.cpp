// The VM connection configuration reply, and the viewers' command lines made
// of it as the desktop window makes them.
#include "api/vm_config.h"
#include "base/json_read.h"
#include "support/command_check.h"
#include "support/fuzz.h"

using kesta::VmConfigReply;
using kesta::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) noexcept {
  const VmConfigReply reply = kesta::parse_vm_config(kesta::fuzz::input_text(data, size));
  require(reply.status == 0, "the parser sets no status");
  if (reply.kind != VmConfigReply::Kind::Ok) {
    require(reply.kind == VmConfigReply::Kind::Unreadable || reply.kind == VmConfigReply::Kind::Refused,
            "a 200 reply is read, refused or unreadable");
    require(!reply.data && !reply.document, "only a reply that is read keeps its document");
    return 0;
  }
  require(reply.data && reply.document, "a reply that is read keeps its data and document");
  JsonObject* pool = kesta::object_member(kesta::object_member(reply.data, "pool"), "pool");
  if (!pool) return 0;
  const char* address = kesta::string_member(reply.data, "ip");
  const kesta::fuzz::Session session{address ? address : "", "alice", "pass word"};
  kesta::fuzz::check_rdp_command(pool, session);
  kesta::fuzz::check_horizon_command(pool, session);
  kesta::fuzz::check_spice_command(pool, "vm-1", kesta::object_member(reply.data, "spriceInfo"));
  return 0;
}

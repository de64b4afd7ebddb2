// The VM connection configuration reply, and the viewers' command lines made
// of it as the desktop window makes them.
#include "api/vm_config.h"
#include "base/json_read.h"
#include "support/command_check.h"
#include "support/fuzz.h"

using kesta::ReplyKind;
using kesta::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) noexcept {
  const std::string_view text = kesta::fuzz::input_text(data, size);
  const kesta::ReplyOutcome<std::optional<kesta::VmConfig>> reply = kesta::parse_vm_config(text);
  require(reply.status == 0, "the parser sets no status");
  if (reply.kind != ReplyKind::Ok) {
    require(reply.kind == ReplyKind::Unreadable || reply.kind == ReplyKind::Refused,
            "a 200 reply is read, refused or unreadable");
    require(!reply.record, "only a reply that is read gives a configuration");
    return 0;
  }
  require(reply.record.has_value(), "a reply that is read gives its configuration");
  // The checks below start from the reply's own JSON.
  const kesta::JsonDocument document(text, nullptr);
  JsonObject* reply_data = kesta::object_member(document.root_object(), "data");
  JsonObject* pool = kesta::object_member(kesta::object_member(reply_data, "pool"), "pool");
  require(reply.record->pool.has_value() == (pool != nullptr), "pool settings exactly when the reply has a pool");
  require(reply.record->address == kesta::text_or_empty(reply_data, "ip"), "the address is the reply's \"ip\"");
  JsonObject* spice_info = kesta::object_member(reply_data, "spriceInfo");
  require(reply.record->spice.has_value() == (spice_info != nullptr), "SPICE details exactly when the reply has them");
  if (!pool) return 0;
  const kesta::fuzz::Session session{reply.record->address, "alice", "pass word"};
  kesta::fuzz::check_rdp_command(pool, session);
  kesta::fuzz::check_horizon_command(pool, session);
  kesta::fuzz::check_spice_command(pool, "vm-1", spice_info);
  return 0;
}

// The VM list reply.
#include "api/vm_list.h"
#include "support/fuzz.h"

using kesta::fuzz::require;
using kesta::fuzz::require_field;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) noexcept {
  const kesta::ReplyOutcome<kesta::VmList> reply = kesta::parse_vm_list(kesta::fuzz::input_text(data, size));
  require(reply.ok() || reply.record.empty(), "a failed reply lists no VM");
  for (const kesta::VmInfo& vm : reply.record) {
    require_field(vm.vmid, "vmid ends within its field, as UTF-8");
    require_field(vm.vmname, "vmname ends within its field, as UTF-8");
    require_field(vm.status, "status ends within its field, as UTF-8");
    require_field(vm.poolname, "poolname ends within its field, as UTF-8");
    require_field(vm.connecttype, "connecttype ends within its field, as UTF-8");
    require(vm.rollback == 0 || vm.rollback == 1, "rollback is 0 or 1");
  }
  return 0;
}

// The remote-viewer command line and its connection file, from arbitrary
// pool settings, SPICE details and VM id.
#include "support/command_check.h"
#include "support/fuzz.h"
#include "support/pool_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) noexcept {
  const kesta::fuzz::PoolInput input = kesta::fuzz::read_pool_input(data, size);
  kesta::fuzz::check_spice_command(input.pool, input.vm_id, input.spice_info);
  return 0;
}

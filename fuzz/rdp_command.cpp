// The FreeRDP command line, from arbitrary pool settings and session texts.
#include "support/command_check.h"
#include "support/fuzz.h"
#include "support/pool_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) noexcept {
  const kesta::fuzz::PoolInput input = kesta::fuzz::read_pool_input(data, size);
  kesta::fuzz::check_rdp_command(input.pool, input.session);
  return 0;
}

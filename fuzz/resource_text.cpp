// The "resource" text of a pool: device-redirection flags, a JSON object
// carried as text, and the options the three viewers get from it.
#include <string>

#include "api/pool_settings.h"
#include "base/ptr.h"
#include "support/command_check.h"
#include "support/fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) noexcept {
  // A text member of a parsed reply is a C string: it ends at the first NUL.
  std::string text(kesta::fuzz::input_text(data, size));
  text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
  const kesta::JsonObjectPtr pool(json_object_new());
  json_object_set_string_member(pool.get(), "resource", text.c_str());

  if (const auto flags = kesta::read_resource_flags(pool.get()); flags && flags->usbfilter)
    kesta::fuzz::require(kesta::fuzz::is_utf8(*flags->usbfilter), "the USB filter is UTF-8");
  const kesta::fuzz::Session session{"10.0.0.5", "alice", "pass word"};
  kesta::fuzz::check_rdp_command(pool.get(), session);
  kesta::fuzz::check_horizon_command(pool.get(), session);
  kesta::fuzz::check_spice_command(pool.get(), "vm-1", nullptr);
  return 0;
}

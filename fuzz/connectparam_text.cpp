// The "connectparam" text of a pool: RDP display parameters, a JSON object
// carried as text, and the FreeRDP options made of them.
#include <string>

#include "api/pool_settings.h"
#include "base/ptr.h"
#include "support/command_check.h"
#include "support/fuzz.h"

using kesta::fuzz::is_utf8;
using kesta::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) noexcept {
  // A text member of a parsed reply is a C string: it ends at the first NUL.
  std::string text(kesta::fuzz::input_text(data, size));
  text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
  const kesta::JsonObjectPtr pool(json_object_new());
  json_object_set_string_member(pool.get(), "connectparam", text.c_str());

  const kesta::DisplayParams params = kesta::read_display_params(pool.get());
  if (params.unreadable)
    require(!params.bpp && !params.decode && !params.network, "an unreadable text gives no parameter");
  require(is_utf8(params.decode.value_or("")) && is_utf8(params.network.value_or("")), "the texts are UTF-8");
  kesta::fuzz::check_rdp_command(pool.get(), {"10.0.0.5", "alice", "pass word"});
  return 0;
}

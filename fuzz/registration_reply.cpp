// The registration reply.
#include "api/registration.h"
#include "support/fuzz.h"

using kesta::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) noexcept {
  const kesta::ReplyOutcome<> result = kesta::parse_registration_reply(kesta::fuzz::input_text(data, size));
  if (result.ok()) require(result.message.empty(), "an accepted registration has no message");
  require(kesta::fuzz::is_utf8(result.message), "the message is UTF-8");
  return 0;
}

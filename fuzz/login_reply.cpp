// The login reply: a 200's body, and the message made of any other's.
#include <string>

#include "api/login_request.h"
#include "support/fuzz.h"

using kesta::ReplyKind;
using kesta::fuzz::is_utf8;
using kesta::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) noexcept {
  const std::string_view body = kesta::fuzz::input_text(data, size);
  const kesta::ReplyOutcome<kesta::AccessToken> result = kesta::parse_login_reply(body);
  switch (result.kind) {
    case ReplyKind::Ok:
      if (result.record)
        require(is_utf8(*result.record), "the token or message is UTF-8");
      else
        require(result.message.empty(), "no token, no text");
      break;
    case ReplyKind::Refused:
      require(is_utf8(result.message), "the token or message is UTF-8");
      break;
    case ReplyKind::Unreadable:
      require(!result.message.empty(), "an unreadable reply says why");
      break;
    default:
      kesta::fuzz::fail("a 200 reply is read, refused or unreadable");
  }
  const std::string message = kesta::login_failure_message("", 500, std::string(body));
  require(message.size() < 256, "the failure message keeps to its field");
  require(is_utf8(message), "the failure message is UTF-8");
  return 0;
}

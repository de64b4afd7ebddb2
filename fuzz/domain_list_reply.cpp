// The domain list reply of self-service registration.
#include "api/domain_list.h"
#include "support/fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) noexcept {
  for (const std::string& name : kesta::parse_domain_list(kesta::fuzz::input_text(data, size)))
    kesta::fuzz::require(kesta::fuzz::is_utf8(name), "a domain name is UTF-8");
  return 0;
}

// The domain list reply of self-service registration.
#include "api/domain_list.h"
#include "support/fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) noexcept {
  const kesta::ReplyOutcome<kesta::DomainList> reply = kesta::parse_domain_list(kesta::fuzz::input_text(data, size));
  const kesta::DomainList& names = reply.record;
  kesta::fuzz::require(names.size() <= kesta::kMaxDomains, "at most kMaxDomains names");
  for (const std::string& name : names) {
    kesta::fuzz::require(kesta::fuzz::is_utf8(name), "a domain name is UTF-8");
    kesta::fuzz::require(name.size() <= kesta::kMaxDomainBytes, "a domain name keeps at most kMaxDomainBytes");
  }
  return 0;
}

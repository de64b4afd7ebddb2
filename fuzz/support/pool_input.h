// Pool settings and session texts drawn from one fuzz input.  Half of the
// inputs are read as arbitrary JSON text; the other half are taken apart
// member by member, each member absent or of any JSON type and the texts
// often the words the builders look for, so that the fuzzer reaches every
// branch of the builders without having to write valid JSON first.
#pragma once

#include <json-glib/json-glib.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "base/json_read.h"
#include "base/ptr.h"
#include "support/command_check.h"

namespace kesta::fuzz {

struct PoolInput {
  Session session;
  std::string vm_id;
  // Borrowed from one of the two owners below; either may be null.
  JsonObject* pool = nullptr;
  JsonObject* spice_info = nullptr;
  std::optional<JsonDocument> parsed;
  JsonNodePtr built;
};

PoolInput read_pool_input(const std::uint8_t* data, std::size_t size);

}  // namespace kesta::fuzz

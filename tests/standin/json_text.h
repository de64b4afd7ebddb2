// Writing the service's JSON replies.
#pragma once

#include <string>
#include <string_view>

#include <json-glib/json-glib.h>

namespace kesta::test {

// The text as a quoted, escaped JSON string.
std::string json_quote(std::string_view text);

// Compact JSON text of a node (borrowed).
std::string node_text(JsonNode* node);

// The reply envelope {"success":..,"data":..,"message":..}.  data_json is
// spliced in unchanged, so that tests can hand out malformed data; an empty
// data_json leaves "data" out.
std::string envelope(bool success, std::string_view data_json, std::string_view message);

}  // namespace kesta::test

// Reading members of the service's replies.  Every reader checks the JSON
// type first: a member of another type counts as absent, quietly, since the
// json-glib accessors would emit a critical for it.
#pragma once

#include <json-glib/json-glib.h>

#include <optional>
#include <string>

#include "base/ptr.h"

namespace kesta::json {

// A string member; null when absent or not a string.  object may be null.
const char* text(JsonObject* object, const char* key) noexcept;
// The same as a copy, empty when absent or not a string.
std::string text_or_empty(JsonObject* object, const char* key);
// An integer member (a JSON number without fraction).
std::optional<gint64> integer(JsonObject* object, const char* key) noexcept;
// A boolean member; numbers count as well, non-zero being true.
std::optional<bool> flag(JsonObject* object, const char* key) noexcept;
// An object member, borrowed from object.
JsonObject* object(JsonObject* object, const char* key) noexcept;

// Some members carry a JSON object as text.  Null when the text does not
// parse or holds something other than an object; the parse error is of no
// interest to anyone.
JsonObjectPtr parse_object(const char* text);

}  // namespace kesta::json

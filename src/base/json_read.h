// Reading and writing JSON.  The one rule of the readers: a member of an
// unexpected type counts as absent, quietly (the json-glib accessors would
// emit a critical for it).  Every reader takes a null object as one without
// members.  The one place that reads other types otherwise is node_flag,
// for the callers that take any member that is there as a flag.
#pragma once

#include <json-glib/json-glib.h>

#include <optional>
#include <string>
#include <string_view>

#include "base/ptr.h"

namespace kesta {

// true and false as such, numbers when not zero; anything else (null, a
// string, an object, an array, no node at all) is false.
bool node_flag(JsonNode* node) noexcept;

// The member when it is present (of any type), else null.
JsonNode* member(JsonObject* object, const char* key) noexcept;
// The member's object, or null when absent or not an object.
JsonObject* object_member(JsonObject* object, const char* key) noexcept;
// The member's text, or null when absent or not a string.
const char* string_member(JsonObject* object, const char* key) noexcept;
// The same as a copy, empty when absent or not a string.
std::string text_or_empty(JsonObject* object, const char* key);
// The member's integer (a number without fraction), or nothing when absent
// or not an integer.
std::optional<gint64> int_member(JsonObject* object, const char* key) noexcept;
// A boolean member; numbers count as well, non-zero being true.  Nothing
// when absent or of another type (null and "true" included).
std::optional<bool> flag_member(JsonObject* object, const char* key) noexcept;

// Some members carry a JSON object as text.  Null when the text is null,
// does not parse or holds something other than an object; the parse error
// is of no interest to anyone.
JsonObjectPtr parse_object(const char* text);

// The text the builder's root becomes: compact, or pretty with an indent of
// two spaces.
enum class JsonLayout { Compact, Pretty };
std::string builder_text(JsonBuilder* builder, JsonLayout layout);

// A parsed document; the parser owns every node.
class JsonDocument {
 public:
  // Parses text; on failure root() is null and error holds the reason.
  JsonDocument(std::string_view text, GError** error);
  // True when the text parsed, also to nothing at all: an empty text (or
  // only blanks) has no root, and reads as an object without members.
  bool parsed() const noexcept { return parser_ != nullptr; }
  JsonNode* root() const noexcept;
  // The root object, or null when the root is not an object.
  JsonObject* root_object() const noexcept;

 private:
  RefPtr<JsonParser> parser_;
};

}  // namespace kesta

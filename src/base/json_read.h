// Reading members of parsed JSON without trusting their types: a member of
// an unexpected type counts as absent, and nothing here emits a critical.
#pragma once

#include <json-glib/json-glib.h>

#include <optional>
#include <string_view>

#include "base/ptr.h"

namespace kesta {

// true and false as such, numbers when not zero; anything else is false.
bool node_flag(JsonNode* node) noexcept;

// The member when it is present (of any type), else null.
JsonNode* member(JsonObject* object, const char* key) noexcept;
// The member's object, or null when absent or not an object.
JsonObject* object_member(JsonObject* object, const char* key) noexcept;
// The member's text, or null when absent or not a string.
const char* string_member(JsonObject* object, const char* key) noexcept;
// The member's integer, or nothing when absent or not an integer.
std::optional<gint64> int_member(JsonObject* object, const char* key) noexcept;
// The member read as a flag (see node_flag); nothing when absent.
std::optional<bool> flag_member(JsonObject* object, const char* key) noexcept;

// A parsed document; the parser owns every node.
class JsonDocument {
 public:
  // Parses text; on failure root() is null and error holds the reason.
  JsonDocument(std::string_view text, GError** error);
  JsonNode* root() const noexcept;
  // The root object, or null when the root is not an object.
  JsonObject* root_object() const noexcept;

 private:
  RefPtr<JsonParser> parser_;
};

}  // namespace kesta

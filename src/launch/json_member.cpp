#include "launch/json_member.h"

#include "base/json_read.h"

namespace kesta::json {

namespace {

JsonNode* value_member(JsonObject* object, const char* key) noexcept {
  if (!object) return nullptr;
  JsonNode* node = json_object_get_member(object, key);
  return node && JSON_NODE_HOLDS_VALUE(node) ? node : nullptr;
}

}  // namespace

const char* text(JsonObject* object, const char* key) noexcept {
  JsonNode* node = value_member(object, key);
  return node && json_node_get_value_type(node) == G_TYPE_STRING ? json_node_get_string(node) : nullptr;
}

std::string text_or_empty(JsonObject* object, const char* key) {
  const char* value = text(object, key);
  return value ? value : "";
}

std::optional<gint64> integer(JsonObject* object, const char* key) noexcept {
  JsonNode* node = value_member(object, key);
  if (!node || json_node_get_value_type(node) != G_TYPE_INT64) return std::nullopt;
  return json_node_get_int(node);
}

std::optional<bool> flag(JsonObject* object, const char* key) noexcept {
  JsonNode* node = value_member(object, key);
  if (!node) return std::nullopt;
  switch (json_node_get_value_type(node)) {
    case G_TYPE_BOOLEAN: return json_node_get_boolean(node) != FALSE;
    case G_TYPE_INT64: return json_node_get_int(node) != 0;
    case G_TYPE_DOUBLE: return json_node_get_double(node) != 0.0;
    default: return std::nullopt;
  }
}

JsonObject* object(JsonObject* object, const char* key) noexcept {
  if (!object) return nullptr;
  JsonNode* node = json_object_get_member(object, key);
  return node && JSON_NODE_HOLDS_OBJECT(node) ? json_node_get_object(node) : nullptr;
}

JsonObjectPtr parse_object(const char* text) {
  if (!text) return nullptr;
  // The same guards as for a whole reply: depth, and texts made UTF-8.
  const JsonDocument document(text, nullptr);
  JsonObject* root = document.root_object();
  // The reference outlives the document, which would otherwise free the tree.
  return root ? JsonObjectPtr(json_object_ref(root)) : nullptr;
}

}  // namespace kesta::json

#include "app/json_read.h"

namespace kesta {

bool node_flag(JsonNode* node) noexcept {
  if (!node || !JSON_NODE_HOLDS_VALUE(node)) return false;
  switch (json_node_get_value_type(node)) {
    case G_TYPE_BOOLEAN: return json_node_get_boolean(node);
    case G_TYPE_INT64: return json_node_get_int(node) != 0;
    case G_TYPE_DOUBLE: return json_node_get_double(node) != 0.0;
    default: return false;
  }
}

JsonNode* member(JsonObject* object, const char* key) noexcept {
  return object ? json_object_get_member(object, key) : nullptr;
}

JsonObject* object_member(JsonObject* object, const char* key) noexcept {
  JsonNode* node = member(object, key);
  return node && JSON_NODE_HOLDS_OBJECT(node) ? json_node_get_object(node) : nullptr;
}

const char* string_member(JsonObject* object, const char* key) noexcept {
  JsonNode* node = member(object, key);
  if (!node || !JSON_NODE_HOLDS_VALUE(node) || json_node_get_value_type(node) != G_TYPE_STRING)
    return nullptr;
  return json_node_get_string(node);
}

std::optional<gint64> int_member(JsonObject* object, const char* key) noexcept {
  JsonNode* node = member(object, key);
  if (!node || !JSON_NODE_HOLDS_VALUE(node) || json_node_get_value_type(node) != G_TYPE_INT64)
    return std::nullopt;
  return json_node_get_int(node);
}

std::optional<bool> flag_member(JsonObject* object, const char* key) noexcept {
  JsonNode* node = member(object, key);
  if (!node) return std::nullopt;
  return node_flag(node);
}

JsonDocument::JsonDocument(std::string_view text, GError** error) : parser_(take_ref(json_parser_new())) {
  if (!json_parser_load_from_data(parser_.get(), text.data(), static_cast<gssize>(text.size()), error))
    parser_.reset();
}

JsonNode* JsonDocument::root() const noexcept {
  return parser_ ? json_parser_get_root(parser_.get()) : nullptr;
}

JsonObject* JsonDocument::root_object() const noexcept {
  JsonNode* node = root();
  return node && JSON_NODE_HOLDS_OBJECT(node) ? json_node_get_object(node) : nullptr;
}

}  // namespace kesta

#include "json_text.h"

#include "base/ptr.h"

namespace kesta::test {

std::string json_quote(std::string_view text) {
  const JsonNodePtr node(json_node_new(JSON_NODE_VALUE));
  json_node_set_string(node.get(), std::string(text).c_str());
  return node_text(node.get());
}

std::string node_text(JsonNode* node) {
  const GCharPtr text(json_to_string(node, FALSE));
  return text.get();
}

std::string envelope(bool success, std::string_view data_json, std::string_view message) {
  std::string text = success ? R"({"success":true)" : R"({"success":false)";
  if (!data_json.empty()) {
    text += R"(,"data":)";
    text += data_json;
  }
  text += R"(,"message":)";
  text += json_quote(message);
  text += '}';
  return text;
}

}  // namespace kesta::test

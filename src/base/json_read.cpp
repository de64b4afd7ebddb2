#include "base/json_read.h"

namespace kesta {

namespace {

// json-glib parses nested arrays and objects by recursion, so a document
// nested some ten thousand levels deep overflows the stack.  The service's
// replies nest a few levels.
constexpr std::size_t kMaxDepth = 512;

// The code unit of the "\uXXXX" escape that starts at `at`, or -1.
long escape_unit(std::string_view text, std::size_t at) noexcept {
  if (at + 6 > text.size() || text[at + 1] != 'u') return -1;
  long unit = 0;
  for (std::size_t i = at + 2; i < at + 6; ++i) {
    if (!g_ascii_isxdigit(text[i])) return -1;
    unit = unit * 16 + g_ascii_xdigit_value(text[i]);
  }
  return unit;
}

bool is_high_surrogate(long unit) noexcept { return unit >= 0xD800 && unit <= 0xDBFF; }
bool is_low_surrogate(long unit) noexcept { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The length of the escape that starts at `at` as json-glib reads it, or 0
// where json-glib might read it otherwise: it swallows the character after
// a lone surrogate, which may be the quote that ends the string.
std::size_t escape_length(std::string_view text, std::size_t at) noexcept {
  if (at + 1 >= text.size()) return 0;
  switch (text[at + 1]) {
    case '"': case '\\': case '/': case 'b': case 'f': case 'n': case 'r': case 't':
      return 2;
    case 'u':
      break;
    default:
      return 0;
  }
  const long unit = escape_unit(text, at);
  if (unit < 0 || is_low_surrogate(unit)) return 0;
  if (!is_high_surrogate(unit)) return 6;
  return is_low_surrogate(escape_unit(text, at + 6)) ? 12 : 0;
}

// What json-glib spends on its tree, in bytes (measured on json-glib 1.6
// with glibc's allocator): an object, an array, any other value (a member's
// name counts as one), and the member itself on top of its name and value.
constexpr std::size_t kObjectCost = 300;
constexpr std::size_t kArrayCost = 120;
constexpr std::size_t kValueCost = 110;
constexpr std::size_t kMemberCost = 60;
// The most a parsed document may cost.  A reply is at most 32 MiB, but one of
// "[0,0,...]" or "[{},{},...]" would make a tree of one to three gigabytes;
// a list of 100,000 VMs, each with a dozen members, costs about half this.
constexpr std::size_t kMaxTreeBytes = std::size_t{512} << 20;

enum class Scan { Fits, TooDeep, TooLarge };

// Whether json-glib would nest deeper than kMaxDepth or build a tree of
// more than kMaxTreeBytes, before it builds anything.  Strict JSON is
// followed exactly.  From the first thing json-glib may read otherwise (its
// single-quoted strings and comments, odd escapes, anything unexpected)
// every opening bracket that follows counts as a level, and every bracket,
// comma and colon as the dearest kind of value, so that nothing can hide a
// level or a value from this count.
Scan scan(std::string_view text) noexcept {
  std::size_t depth = 0;
  std::size_t cost = 0;
  bool in_string = false;
  bool in_word = false;  // a number, true, false or null
  std::size_t i = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (in_string) {
      if (c == '"') {
        in_string = false;
      } else if (c == '\\') {
        const std::size_t length = escape_length(text, i);
        if (length == 0) break;
        i += length - 1;
      }
      continue;
    }
    const bool word = g_ascii_isalnum(c) || c == '-' || c == '+' || c == '.';
    if (word && !in_word) cost += kValueCost;
    in_word = word;
    if (word) continue;
    if (c == '[' || c == '{') {
      if (++depth > kMaxDepth) return Scan::TooDeep;
      cost += c == '[' ? kArrayCost : kObjectCost;
    } else if (c == ']' || c == '}') {
      if (depth > 0) --depth;
    } else if (c == '"') {
      in_string = true;
      cost += kValueCost;
    } else if (c == ':') {
      cost += kMemberCost;
    } else if (std::string_view(" \t\r\n,").find(c) == std::string_view::npos) {
      break;
    }
  }
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if ((c == '[' || c == '{') && ++depth > kMaxDepth) return Scan::TooDeep;
    if (c == '[' || c == '{' || c == ',' || c == ':') cost += kObjectCost + kMemberCost;
  }
  return cost > kMaxTreeBytes ? Scan::TooLarge : Scan::Fits;
}

void make_texts_utf8(JsonNode* node) noexcept;

void make_member_utf8(JsonObject*, const char*, JsonNode* node, gpointer) noexcept { make_texts_utf8(node); }
void make_element_utf8(JsonArray*, guint, JsonNode* node, gpointer) noexcept { make_texts_utf8(node); }

// json-glib decodes an escaped lone surrogate into bytes that are not UTF-8;
// such texts would reach labels, log lines and files.  Each invalid byte
// becomes U+FFFD.  The depth is bounded by kMaxDepth.
void make_texts_utf8(JsonNode* node) noexcept {
  if (JSON_NODE_HOLDS_OBJECT(node)) {
    json_object_foreach_member(json_node_get_object(node), make_member_utf8, nullptr);
  } else if (JSON_NODE_HOLDS_ARRAY(node)) {
    json_array_foreach_element(json_node_get_array(node), make_element_utf8, nullptr);
  } else if (JSON_NODE_HOLDS_VALUE(node) && json_node_get_value_type(node) == G_TYPE_STRING) {
    const char* text = json_node_get_string(node);
    if (text && !g_utf8_validate(text, -1, nullptr)) {
      const GCharPtr valid(g_utf8_make_valid(text, -1));
      json_node_set_string(node, valid.get());
    }
  }
}

}  // namespace

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

std::string text_or_empty(JsonObject* object, const char* key) {
  const char* text = string_member(object, key);
  return text ? text : "";
}

std::optional<gint64> int_member(JsonObject* object, const char* key) noexcept {
  JsonNode* node = member(object, key);
  if (!node || !JSON_NODE_HOLDS_VALUE(node) || json_node_get_value_type(node) != G_TYPE_INT64)
    return std::nullopt;
  return json_node_get_int(node);
}

std::optional<bool> flag_member(JsonObject* object, const char* key) noexcept {
  JsonNode* node = member(object, key);
  if (!node || !JSON_NODE_HOLDS_VALUE(node)) return std::nullopt;
  switch (json_node_get_value_type(node)) {
    case G_TYPE_BOOLEAN:
    case G_TYPE_INT64:
    case G_TYPE_DOUBLE:
      return node_flag(node);
    default:
      return std::nullopt;
  }
}

JsonObjectPtr parse_object(const char* text) {
  if (!text) return nullptr;
  // The same guards as for a whole reply: depth, and texts made UTF-8.
  const JsonDocument document(text, nullptr);
  JsonObject* root = document.root_object();
  // The reference outlives the document, which would otherwise free the tree.
  return root ? JsonObjectPtr(json_object_ref(root)) : nullptr;
}

std::string builder_text(JsonBuilder* builder, JsonLayout layout) {
  const JsonNodePtr root(json_builder_get_root(builder));
  auto generator = take_ref(json_generator_new());
  if (layout == JsonLayout::Pretty) {
    json_generator_set_pretty(generator.get(), TRUE);
    json_generator_set_indent(generator.get(), 2);
  }
  json_generator_set_root(generator.get(), root.get());
  const GCharPtr text(json_generator_to_data(generator.get(), nullptr));
  return text.get();
}

JsonDocument::JsonDocument(std::string_view text, GError** error) {
  switch (scan(text)) {
    case Scan::TooDeep:
      g_set_error(error, JSON_PARSER_ERROR, JSON_PARSER_ERROR_INVALID_DATA, "JSON嵌套超过%zu层", kMaxDepth);
      return;
    case Scan::TooLarge:
      g_set_error(error, JSON_PARSER_ERROR, JSON_PARSER_ERROR_INVALID_DATA, "JSON值过多，超过%zu MiB",
                  kMaxTreeBytes >> 20);
      return;
    case Scan::Fits:
      break;
  }
  parser_ = take_ref(json_parser_new());
  if (!json_parser_load_from_data(parser_.get(), text.data(), static_cast<gssize>(text.size()), error)) {
    parser_.reset();
    return;
  }
  // Only an escape can yield a text that is not UTF-8 (a lone surrogate, or
  // an octal escape such as "\\377", which json-glib also reads): it refuses
  // such bytes in the document itself.
  if (text.find('\\') != std::string_view::npos)
    if (JsonNode* root = json_parser_get_root(parser_.get())) make_texts_utf8(root);
}

JsonNode* JsonDocument::root() const noexcept {
  return parser_ ? json_parser_get_root(parser_.get()) : nullptr;
}

JsonObject* JsonDocument::root_object() const noexcept {
  JsonNode* node = root();
  return node && JSON_NODE_HOLDS_OBJECT(node) ? json_node_get_object(node) : nullptr;
}

}  // namespace kesta

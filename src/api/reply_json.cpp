#include "api/reply_json.h"

#include <utility>

#include "base/fixed_text.h"
#include "base/i18n.h"
#include "base/ptr.h"

namespace kesta {

std::optional<JsonDocument> parse_reply(std::string_view body, std::string* reason, const char* line) {
  Error error;
  JsonDocument document(body, error);
  if (document.parsed()) return std::optional<JsonDocument>(std::move(document));
  const char* message = error.message_or("未知错误");
  if (line) g_print(line, readable_text(message, kMaxLoggedReply).c_str());
  if (reason) *reason = message;
  return std::nullopt;
}

std::string refusal_message(JsonObject* root) {
  const char* message = string_member(root, "message");
  return message ? message : _("未知错误");
}

}  // namespace kesta

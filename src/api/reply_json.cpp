#include "api/reply_json.h"

#include <utility>

#include "base/fixed_text.h"
#include "base/ptr.h"

namespace kesta {

std::optional<JsonDocument> parse_reply(std::string_view body, std::string* reason) {
  Error error;
  JsonDocument document(body, error);
  if (document.parsed()) return std::optional<JsonDocument>(std::move(document));
  const char* message = error.message_or("未知错误");
  g_print("解析响应失败: %s\n", readable_text(message, kMaxLoggedReply).c_str());
  if (reason) *reason = message;
  return std::nullopt;
}

}  // namespace kesta

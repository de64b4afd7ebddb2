// A reply's body read as JSON, and the envelope every reply carries.
#pragma once

#include <json-glib/json-glib.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/json_read.h"

namespace kesta {

// Of a service text in a log line, the log keeps this much: a reply may be
// a whole error page, and a terminal's log lives on a small disk.
inline constexpr std::size_t kMaxLoggedReply = 1000;

// The line most requests print for a body that does not parse, with the
// parser's reason.
inline constexpr char kUnparsedReplyLine[] = "解析响应失败: %s\n";
// For parse_reply's line: a request that prints nothing of it.
inline constexpr const char* kSilent = nullptr;

// The parsed body; an empty one parses, to no root.  When it does not parse,
// gives nothing, prints line (one "%s", the reason) unless it is kSilent,
// and when reason is given puts the parser's reason there ("未知错误" when
// the parser gave none).
std::optional<JsonDocument> parse_reply(std::string_view body, std::string* reason = nullptr,
                                        const char* line = kUnparsedReplyLine);

// The words of a refusal: the root's "message", or "未知错误" when it has
// none that is text.
std::string refusal_message(JsonObject* root);

}  // namespace kesta

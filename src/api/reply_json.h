// A reply's body read as JSON.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/json_read.h"

namespace kesta {

// Of a service text in a log line, the log keeps this much: a reply may be
// a whole error page, and a terminal's log lives on a small disk.
inline constexpr std::size_t kMaxLoggedReply = 1000;

// The parsed body; an empty one parses, to no root.  When it does not parse, prints "解析响应失败: %s" with
// the parser's reason and gives nothing; reason, when given, receives that
// reason ("未知错误" when the parser gave none).
std::optional<JsonDocument> parse_reply(std::string_view body, std::string* reason = nullptr);

}  // namespace kesta

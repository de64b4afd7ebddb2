// Fixed-size text fields: every copy keeps at most the field size minus one
// byte and always ends with NUL.  A cut never splits a UTF-8 character: half
// a character would make a label warn and a saved configuration file
// unreadable, losing every setting in it.
#pragma once

#include <glib.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include "base/ptr.h"

namespace kesta {

// The part of text that a field of `size` bytes keeps.
constexpr std::string_view clip(std::string_view text, std::size_t size) noexcept {
  if (size == 0) return {};
  if (text.size() < size) return text;
  std::size_t cut = size - 1;
  // Back off over continuation bytes to the start of the cut character.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut);
}

inline void copy_fixed(char* field, std::size_t size, std::string_view text) noexcept {
  if (size == 0) return;
  const std::string_view kept = clip(text, size);
  if (!kept.empty()) std::memcpy(field, kept.data(), kept.size());
  field[kept.size()] = '\0';
}

template <std::size_t N>
void copy_fixed(char (&field)[N], std::string_view text) noexcept {
  copy_fixed(field, N, text);
}

// A null source counts as the empty text.
template <std::size_t N>
void copy_fixed(char (&field)[N], const char* text) noexcept {
  copy_fixed(field, N, text ? std::string_view(text) : std::string_view());
}

// A text from the service made fit to show: every byte that is not UTF-8
// becomes U+FFFD, and a text of more than max_bytes is cut on a character
// boundary and ends in "…".  A label holding megabytes would take GTK
// minutes to lay out.
inline std::string shown_text(std::string_view text, std::size_t max_bytes) {
  bool cut = text.size() > max_bytes;
  if (cut) text = clip(text, max_bytes + 1);
  std::string result;
  if (g_utf8_validate_len(text.data(), text.size(), nullptr)) {
    result.assign(text);
  } else {
    const GCharPtr valid(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
    result = valid.get();
  }
  // Each replaced byte takes three.
  if (result.size() > max_bytes) {
    result.resize(clip(result, max_bytes + 1).size());
    cut = true;
  }
  if (cut) result += "…";
  return result;
}

// Every control character (C0, DEL, and C1 as the code points U+0080 to
// U+009F) written as a visible escape, \x1b or \u009b: a text from the
// service can then neither start a forged line of its own nor send escape
// sequences to the terminal that shows the log.  Other bytes stay as they
// are.
inline std::string escape_controls(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  char escape[8];
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    // In UTF-8, U+0080 to U+009F are 0xC2 followed by 0x80 to 0x9F.
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (byte < 0x20 || byte == 0x7F) {
      g_snprintf(escape, sizeof escape, "\\x%02x", byte);
      result += escape;
    } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
      g_snprintf(escape, sizeof escape, "\\u%04x", next);
      result += escape;
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

// Of a short service value (an id, an address, a type) a printed line keeps
// this much: a terminal's log lives on a small disk.
inline constexpr std::size_t kMaxLoggedValue = 200;

// A text from the service made fit for a printed line: shown_text with its
// control characters escaped.  max_bytes bounds the text before the
// escapes, which take up to six bytes for one.
inline std::string readable_text(std::string_view text, std::size_t max_bytes) {
  return escape_controls(shown_text(text, max_bytes));
}

}  // namespace kesta

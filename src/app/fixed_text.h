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

#include "app/ptr.h"

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

// A text from the service made fit to show or print: every byte that is not
// UTF-8 becomes U+FFFD, and a text of more than max_bytes is cut on a
// character boundary and ends in "…".  A label holding megabytes would
// take GTK minutes to lay out.
inline std::string readable_text(std::string_view text, std::size_t max_bytes) {
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

}  // namespace kesta

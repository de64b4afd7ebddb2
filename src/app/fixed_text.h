// Fixed-size text fields: every copy keeps at most the field size minus one
// byte and always ends with NUL.  A cut never splits a UTF-8 character: half
// a character would make a label warn and a saved configuration file
// unreadable, losing every setting in it.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

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

}  // namespace kesta

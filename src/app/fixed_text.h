// Fixed-size text fields: every copy keeps at most the field size minus one
// byte and always ends with NUL, even when that cuts a multi-byte character.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace kesta {

inline void copy_fixed(char* field, std::size_t size, std::string_view text) noexcept {
  if (size == 0) return;
  const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
  if (n) std::memcpy(field, text.data(), n);
  field[n] = '\0';
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

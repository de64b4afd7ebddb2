// What every fuzz target shares: the run's set-up and the check that stops
// it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// libFuzzer calls these; a definition in each target and the set-up in
// fuzz.cpp.  No exception may leave them: one that would ends the run.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) noexcept;
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) noexcept;

namespace kesta::fuzz {

// Prints what was expected and aborts, for libFuzzer to keep the input.
[[noreturn]] void fail(const char* what) noexcept;

inline void require(bool condition, const char* what) noexcept {
  if (!condition) fail(what);
}

// The input as text, embedded NULs included.
inline std::string_view input_text(const std::uint8_t* data, std::size_t size) noexcept {
  return {reinterpret_cast<const char*>(data), size};
}

// Whether a text from a parsed reply is fit to show: UTF-8 throughout.
bool is_utf8(std::string_view text) noexcept;

// A fixed-size text field of the client: ends within the field, and is
// UTF-8 (a cut never splits a character).
template <std::size_t N>
void require_field(const char (&field)[N], const char* what) noexcept {
  std::size_t length = 0;
  while (length < N && field[length] != '\0') ++length;
  require(length < N, what);
  require(is_utf8(std::string_view(field, length)), what);
}

}  // namespace kesta::fuzz

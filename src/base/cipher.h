// Stored passwords: AES-256-CBC with the program's fixed key and vector,
// written as lower-case hex.
#pragma once

#include <cstddef>

#include "base/ptr.h"

namespace kesta {

// Converts pairs of hex digits into out, which must hold (strlen + 1) / 2
// bytes.  Returns the number of whole pairs.  A pair whose first character is
// not a hex digit leaves its byte unwritten.
std::size_t hex_to_bytes(const char* hex, unsigned char* out) noexcept;

// Writes len bytes as lower-case hex plus NUL; out holds 2 * len + 1 bytes.
void bytes_to_hex(const unsigned char* data, std::size_t len, char* out) noexcept;

// Both return a new string and never fail: null or empty input gives "",
// and on any failure the result is a copy of the input.
GCharPtr encrypt_password(const char* text);
GCharPtr decrypt_password(const char* hex);

}  // namespace kesta

#include "launch/launcher.h"

#include "app/fixed_text.h"

namespace kesta {

namespace {

// The longest head of text of at most max bytes that ends on a character
// boundary, so that the dialog never gets half a character.
std::string_view utf8_head(std::string_view text, std::size_t max) noexcept {
  if (text.size() <= max) return text;
  std::size_t cut = max;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  return text.substr(0, cut);
}

}  // namespace

LaunchResult LaunchResult::failure(std::string_view message) {
  char field[kMessageSize];
  copy_fixed(field, utf8_head(message, kMessageSize - 1));
  return {false, field};
}

}  // namespace kesta

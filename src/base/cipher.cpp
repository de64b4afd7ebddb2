#include "base/cipher.h"

#include <cstring>
#include <vector>

#include <openssl/evp.h>

namespace kesta {

namespace {

constexpr const char kKeyHex[] = "5f0c2b7e91d4a3688e17c0b2f94d6a1537e8b0c4d29f61a70e3c58b9d1f42a6e";
constexpr const char kIvHex[] = "b7e2091c4fa63d58e0c17a9b26d43f81";

int hex_value(char c) noexcept {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

struct KeyMaterial {
  unsigned char key[32];
  unsigned char iv[16];
  KeyMaterial() noexcept {
    hex_to_bytes(kKeyHex, key);
    hex_to_bytes(kIvHex, iv);
  }
};

GCharPtr copy_of(const char* text) { return GCharPtr(g_strdup(text)); }

}  // namespace

std::size_t hex_to_bytes(const char* hex, unsigned char* out) noexcept {
  const std::size_t length = std::strlen(hex);
  for (std::size_t i = 0; i < length; i += 2) {
    const int high = hex_value(hex[i]);
    if (high < 0) continue;
    const int low = i + 1 < length ? hex_value(hex[i + 1]) : -1;
    // A single digit (at the end, or before a non-digit) is a value by itself.
    out[i / 2] = static_cast<unsigned char>(low < 0 ? high : high * 16 + low);
  }
  return length / 2;
}

void bytes_to_hex(const unsigned char* data, std::size_t len, char* out) noexcept {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (std::size_t i = 0; i < len; ++i) {
    out[2 * i] = kDigits[data[i] >> 4];
    out[2 * i + 1] = kDigits[data[i] & 0x0f];
  }
  out[2 * len] = '\0';
}

GCharPtr encrypt_password(const char* text) {
  if (!text || !*text) return GCharPtr(g_strdup(""));
  const KeyMaterial km;
  CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
  if (!ctx || !EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, km.key, km.iv))
    return copy_of(text);

  const std::size_t length = std::strlen(text);
  if (length > static_cast<std::size_t>(G_MAXINT - 32)) return copy_of(text);
  std::vector<unsigned char> cipher(length + 32);
  int produced = 0;
  int tail = 0;
  if (!EVP_EncryptUpdate(ctx.get(), cipher.data(), &produced,
                         reinterpret_cast<const unsigned char*>(text), static_cast<int>(length)) ||
      !EVP_EncryptFinal_ex(ctx.get(), cipher.data() + produced, &tail))
    return copy_of(text);

  const std::size_t total = static_cast<std::size_t>(produced) + static_cast<std::size_t>(tail);
  GCharPtr hex(static_cast<char*>(g_malloc(2 * total + 1)));
  bytes_to_hex(cipher.data(), total, hex.get());
  return hex;
}

GCharPtr decrypt_password(const char* hex) {
  if (!hex || !*hex) return GCharPtr(g_strdup(""));
  const KeyMaterial km;
  const std::size_t length = std::strlen(hex);
  if (length / 2 > static_cast<std::size_t>(G_MAXINT - 32)) return copy_of(hex);
  // Zero-filled: a pair that is not hex leaves its byte unwritten, and no
  // byte handed to the cipher may be uninitialised.
  std::vector<unsigned char> bytes((length + 1) / 2, 0);
  const std::size_t count = hex_to_bytes(hex, bytes.data());

  CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
  if (!ctx || !EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, km.key, km.iv))
    return copy_of(hex);
  std::vector<unsigned char> plain(count + 32);
  int produced = 0;
  int tail = 0;
  if (!EVP_DecryptUpdate(ctx.get(), plain.data(), &produced, bytes.data(), static_cast<int>(count)) ||
      !EVP_DecryptFinal_ex(ctx.get(), plain.data() + produced, &tail))
    return copy_of(hex);

  const std::size_t total = static_cast<std::size_t>(produced) + static_cast<std::size_t>(tail);
  // The password ends at its first NUL byte.
  return GCharPtr(g_strndup(reinterpret_cast<const char*>(plain.data()), total));
}

}  // namespace kesta

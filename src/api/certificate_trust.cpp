#include "api/certificate_trust.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstring>

#include "base/config.h"
#include "base/i18n.h"
#include "base/ptr.h"

namespace kesta {

namespace {

using X509Ptr = std::unique_ptr<X509, FnDeleter<X509, X509_free>>;
using UriPtr = std::unique_ptr<SoupURI, FnDeleter<SoupURI, soup_uri_free>>;
using ByteArrayPtr = std::unique_ptr<GByteArray, FnDeleter<GByteArray, g_byte_array_unref>>;

RefPtr<GTlsDatabase> authorities;

// One handshake: the service it is made to, and where a refusal goes.
struct Handshake {
  std::string host_port;
  ChangeSlot slot;
};

void delete_slot(gpointer data, GClosure*) noexcept { delete static_cast<ChangeSlot*>(data); }
void delete_handshake(gpointer data, GClosure*) noexcept { delete static_cast<Handshake*>(data); }

bool pin_first_use(const std::string& host_port, const std::string& presented) {
  if (!trust_certificate(app_config, host_port, presented)) return false;
  save_config();
  g_print("已信任服务器证书: %s %s\n", host_port.c_str(), presented.c_str());
  return true;
}

// Runs only for a certificate the authorities do not vouch for: TRUE lets
// the handshake go on.
gboolean on_accept_certificate(GTlsConnection*, GTlsCertificate* certificate, GTlsCertificateFlags,
                               gpointer data) noexcept {
  const auto* handshake = static_cast<const Handshake*>(data);
  if (handshake->host_port.empty()) return FALSE;
  const std::string presented = spki_fingerprint(certificate);
  const char* pinned = find_trusted_certificate(app_config, handshake->host_port);
  switch (judge_certificate(pinned, presented)) {
    case PinVerdict::Matches:
      return TRUE;
    case PinVerdict::FirstUse:
      return pin_first_use(handshake->host_port, presented) ? TRUE : FALSE;
    case PinVerdict::Changed:
      g_print("服务器证书已更改，拒绝连接: %s 已信任的指纹: %s 服务器的指纹: %s\n", handshake->host_port.c_str(),
              pinned, presented.c_str());
      if (handshake->slot) *handshake->slot = CertificateChange{handshake->host_port, pinned, presented};
      return FALSE;
    case PinVerdict::Unreadable:
      g_print("无法读取服务器证书，拒绝连接: %s\n", handshake->host_port.c_str());
      return FALSE;
  }
  return FALSE;
}

// libsoup hands over the TLS connection before its handshake begins.
void on_network_event(SoupMessage* message, GSocketClientEvent event, GIOStream* connection,
                      gpointer data) noexcept {
  if (event != G_SOCKET_CLIENT_TLS_HANDSHAKING || !G_IS_TLS_CONNECTION(connection)) return;
  const auto* slot = static_cast<const ChangeSlot*>(data);
  auto* handshake = new Handshake{pin_key(soup_message_get_uri(message)).value_or(""), *slot};
  g_signal_connect_data(connection, "accept-certificate", G_CALLBACK(on_accept_certificate), handshake,
                        delete_handshake, GConnectFlags{});
}

}  // namespace

std::string spki_fingerprint(GTlsCertificate* certificate) {
  GByteArray* der_array = nullptr;
  g_object_get(certificate, "certificate", &der_array, nullptr);
  const ByteArrayPtr der(der_array);
  if (!der) return {};
  const unsigned char* cursor = der->data;
  const X509Ptr x509(d2i_X509(nullptr, &cursor, static_cast<long>(der->len)));
  EVP_PKEY* key = x509 ? X509_get0_pubkey(x509.get()) : nullptr;
  if (!key) return {};
  unsigned char* spki = nullptr;
  const int spki_size = i2d_PUBKEY(key, &spki);
  if (spki_size <= 0) return {};
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int digest_size = 0;
  const bool hashed = EVP_Digest(spki, static_cast<std::size_t>(spki_size), digest, &digest_size, EVP_sha256(),
                                 nullptr) == 1;
  OPENSSL_free(spki);
  if (!hashed) return {};
  const GCharPtr text(g_base64_encode(digest, digest_size));
  return std::string("SHA256:") + text.get();
}

std::optional<std::string> pin_key(SoupURI* uri) {
  if (!uri || !uri->host || !*uri->host ||
      (uri->scheme != SOUP_URI_SCHEME_HTTPS && uri->scheme != SOUP_URI_SCHEME_WSS))
    return std::nullopt;
  // Host names are the same in any case.
  const GCharPtr host(g_ascii_strdown(uri->host, -1));
  const bool ipv6 = std::strchr(host.get(), ':') != nullptr;
  return (ipv6 ? "[" + std::string(host.get()) + "]" : std::string(host.get())) + ":" + std::to_string(uri->port);
}

std::optional<std::string> pin_key(const char* server_address) {
  const UriPtr uri(soup_uri_new(server_address));
  return pin_key(uri.get());
}

PinVerdict judge_certificate(const char* pinned, std::string_view presented) noexcept {
  if (presented.empty()) return PinVerdict::Unreadable;
  if (!pinned) return PinVerdict::FirstUse;
  return presented == pinned ? PinVerdict::Matches : PinVerdict::Changed;
}

std::string certificate_change_message(const CertificateChange& change, Translate text) {
  return std::string(text(N_("服务器证书已更改，连接已拒绝（可能有人冒充服务器）。"))) + "\n" + text(N_("服务器: ")) +
         change.host_port + "\n" + text(N_("已信任的指纹: ")) + change.pinned + "\n" + text(N_("服务器的指纹: ")) +
         change.presented + "\n" + text(N_("如果证书是管理员更换的，管理员可在“设置”中忘记旧证书，以接受新证书。"));
}

void check_certificates(SoupSession* session, SoupMessage* message, ChangeSlot slot) {
  // Strict: libsoup leaves the verdict on a certificate the authorities do
  // not vouch for to the handler of "accept-certificate" alone.
  g_object_set(session, "ssl-strict", TRUE, nullptr);
  if (authorities)
    g_object_set(session, "tls-database", authorities.get(), nullptr);
  else
    g_object_set(session, "ssl-use-system-ca-file", TRUE, nullptr);
  g_signal_connect_data(message, "network-event", G_CALLBACK(on_network_event), new ChangeSlot(std::move(slot)),
                        delete_slot, GConnectFlags{});
}

void set_certificate_authorities(GTlsDatabase* database) { authorities = add_ref(database); }

}  // namespace kesta

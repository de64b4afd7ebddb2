#include "self_signed.h"

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

#include "owned.h"

namespace kesta::test {

namespace {

constexpr char kHost[] = "127.0.0.1";
constexpr long kHour = 60 * 60;
constexpr long kThirtyDays = 30 * 24 * kHour;

void check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("test certificate: ") + what + " failed");
}

void add_extension(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
  const std::unique_ptr<X509_EXTENSION, FnDeleter<X509_EXTENSION, X509_EXTENSION_free>> extension(
      X509V3_EXT_conf_nid(nullptr, &context, nid, value));
  check(extension != nullptr, value);
  check(X509_add_ext(cert, extension.get(), -1) == 1, "X509_add_ext");
}

// Issued by the issuer's certificate, or by itself without one.
X509Ptr build_certificate(EVP_PKEY* key, const char* common_name, const Issuer* issuer) {
  X509Ptr cert(X509_new());
  check(cert != nullptr, "X509_new");
  check(X509_set_version(cert.get(), 2) == 1, "X509_set_version");
  // A random serial, so that a client that remembers certificates does not
  // see two different ones with the same issuer and serial.
  unsigned char serial_bytes[8];
  check(RAND_bytes(serial_bytes, sizeof serial_bytes) == 1, "RAND_bytes");
  std::uint64_t serial = 0;
  for (unsigned char byte : serial_bytes) serial = (serial << 8) | byte;
  check(ASN1_INTEGER_set_uint64(X509_get_serialNumber(cert.get()), serial >> 1) == 1, "serial");
  check(X509_gmtime_adj(X509_getm_notBefore(cert.get()), -kHour) != nullptr, "notBefore");
  check(X509_gmtime_adj(X509_getm_notAfter(cert.get()), kThirtyDays) != nullptr, "notAfter");
  check(X509_set_pubkey(cert.get(), key) == 1, "X509_set_pubkey");
  X509_NAME* name = X509_get_subject_name(cert.get());
  check(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(common_name),
                                   -1, -1, 0) == 1,
        "CN");
  X509* signer = issuer ? issuer->certificate : cert.get();
  check(X509_set_issuer_name(cert.get(), X509_get_subject_name(signer)) == 1, "X509_set_issuer_name");
  return cert;
}

void sign(X509* cert, EVP_PKEY* key) { check(X509_sign(cert, key, EVP_sha256()) > 0, "X509_sign"); }

// What write puts into a memory BIO, as text.
std::string pem_text(const char* what, const std::function<int(BIO*)>& write) {
  const BioPtr pem(BIO_new(BIO_s_mem()));
  check(pem != nullptr, "BIO_new");
  check(write(pem.get()) == 1, what);
  char* data = nullptr;
  const long size = BIO_get_mem_data(pem.get(), &data);
  return std::string(data, static_cast<std::size_t>(size));
}

std::string key_pem(EVP_PKEY* key) {
  return pem_text("PEM_write_bio_PrivateKey", [&](BIO* bio) {
    return PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
  });
}

}  // namespace

PkeyPtr make_key() {
  PkeyPtr key(EVP_EC_gen("P-256"));
  check(key != nullptr, "EVP_EC_gen");
  return key;
}

X509Ptr make_certificate(EVP_PKEY* key, const Issuer* issuer) {
  X509Ptr cert = build_certificate(key, kHost, issuer);
  add_extension(cert.get(), issuer ? issuer->certificate : cert.get(), NID_subject_alt_name, "IP:127.0.0.1");
  sign(cert.get(), issuer ? issuer->key : key);
  return cert;
}

X509Ptr make_authority(EVP_PKEY* key) {
  X509Ptr cert = build_certificate(key, "kesta test authority", nullptr);
  add_extension(cert.get(), cert.get(), NID_basic_constraints, "critical,CA:TRUE");
  add_extension(cert.get(), cert.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
  sign(cert.get(), key);
  return cert;
}

std::string certificate_pem(X509* certificate) {
  return pem_text("PEM_write_bio_X509", [&](BIO* bio) { return PEM_write_bio_X509(bio, certificate); });
}

PemIdentity make_self_signed_pem() {
  const PkeyPtr key = make_key();
  const X509Ptr cert = make_certificate(key.get());
  return {certificate_pem(cert.get()), key_pem(key.get())};
}

RefPtr<GTlsCertificate> tls_certificate(X509* certificate, EVP_PKEY* key) {
  const std::string pem = certificate_pem(certificate) + key_pem(key);
  Error error;
  RefPtr<GTlsCertificate> result =
      take_ref(g_tls_certificate_new_from_pem(pem.data(), static_cast<gssize>(pem.size()), error));
  if (!result)
    throw std::runtime_error(std::string("TLS certificate: ") + error.message_or("unknown error") +
                             " (is glib-networking installed?)");
  return result;
}

RefPtr<GTlsCertificate> make_self_signed_certificate() {
  const PkeyPtr key = make_key();
  const X509Ptr cert = make_certificate(key.get());
  return tls_certificate(cert.get(), key.get());
}

}  // namespace kesta::test

// Throw-away TLS identities for the HTTPS stand-in: keys and certificates
// made in the test, self-signed or signed by a certificate authority of the
// test's own.  Every function throws std::runtime_error when OpenSSL fails.
#pragma once

#include <gio/gio.h>

#include <string>

#include "base/ptr.h"
#include "owned.h"

namespace kesta::test {

// A fresh EC P-256 key.
PkeyPtr make_key();

// What signs a certificate: an authority's certificate and its key.
struct Issuer {
  X509* certificate;
  EVP_PKEY* key;
};

// A certificate of key for CN=127.0.0.1 (also its IP subject alternative
// name), valid from an hour ago for 30 days, with a random serial: signed by
// the key itself, or by issuer when one is given.  Made again with the same
// key, it is that certificate renewed.
X509Ptr make_certificate(EVP_PKEY* key, const Issuer* issuer = nullptr);
// A self-signed certificate authority of key (CN=kesta test authority).
X509Ptr make_authority(EVP_PKEY* key);

std::string certificate_pem(X509* certificate);

// The certificate with its key, as a TLS server serves it.  Throws as well
// when GIO has no TLS backend (glib-networking).
RefPtr<GTlsCertificate> tls_certificate(X509* certificate, EVP_PKEY* key);

// A fresh key and its self-signed certificate, as a TLS server serves them.
RefPtr<GTlsCertificate> make_self_signed_certificate();

// Such a certificate and its key as PEM texts, for a server outside the
// stand-in; the certificate is its own CA.  Throws std::runtime_error when
// OpenSSL fails.
struct PemIdentity {
  std::string certificate;
  std::string key;
};
PemIdentity make_self_signed_pem();

}  // namespace kesta::test

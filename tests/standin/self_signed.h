// A throw-away TLS identity for the HTTPS stand-in.
#pragma once

#include <gio/gio.h>

#include <string>

#include "base/ptr.h"

namespace kesta::test {

// A fresh EC key and a self-signed certificate for CN=127.0.0.1 (also its
// IP subject alternative name), valid from an hour ago for 30 days.  Throws
// std::runtime_error when OpenSSL fails or GIO has no TLS backend
// (glib-networking).
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

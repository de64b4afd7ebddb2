// Owning holders for the C objects of the stand-in that src/base/ptr.h does
// not cover: main loop pieces, libsoup buffers and OpenSSL objects.
#pragma once

#include <memory>

#include <glib.h>
#include <libsoup/soup.h>
#include <openssl/bio.h>
#include <openssl/x509.h>

#include "base/ptr.h"

namespace kesta::test {

using MainContextPtr = std::unique_ptr<GMainContext, FnDeleter<GMainContext, g_main_context_unref>>;
using MainLoopPtr = std::unique_ptr<GMainLoop, FnDeleter<GMainLoop, g_main_loop_unref>>;
using SoupBufferPtr = std::unique_ptr<SoupBuffer, FnDeleter<SoupBuffer, soup_buffer_free>>;
using HashTablePtr = std::unique_ptr<GHashTable, FnDeleter<GHashTable, g_hash_table_unref>>;
using X509Ptr = std::unique_ptr<X509, FnDeleter<X509, X509_free>>;
using PkeyPtr = std::unique_ptr<EVP_PKEY, FnDeleter<EVP_PKEY, EVP_PKEY_free>>;
using BioPtr = std::unique_ptr<BIO, FnDeleter<BIO, BIO_free_all>>;

// The list soup_server_get_uris() returns: the list and every URI in it.
struct UriListDeleter {
  void operator()(GSList* list) const noexcept {
    g_slist_free_full(list, reinterpret_cast<GDestroyNotify>(soup_uri_free));
  }
};
using UriListPtr = std::unique_ptr<GSList, UriListDeleter>;

}  // namespace kesta::test

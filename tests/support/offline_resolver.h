// A name resolver that knows no names, so that an unresolvable server can be
// tested without asking any DNS server.  Addresses given as IP literals never
// reach a resolver and still work.
#pragma once

#include "support/pinned.h"

namespace kesta::test {

// Makes every host-name lookup of the process fail while it lives.
class OfflineResolver : Pinned {
 public:
  OfflineResolver();
  ~OfflineResolver();

 private:
  void* previous_;
};

}  // namespace kesta::test

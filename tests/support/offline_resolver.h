// A name resolver that knows no names, so that an unresolvable server can be
// tested without asking any DNS server.  Addresses given as IP literals never
// reach a resolver and still work.
#pragma once

namespace kesta::test {

// Makes every host-name lookup of the process fail while it lives.
class OfflineResolver {
 public:
  OfflineResolver();
  ~OfflineResolver();
  OfflineResolver(const OfflineResolver&) = delete;
  OfflineResolver& operator=(const OfflineResolver&) = delete;

 private:
  void* previous_;
};

}  // namespace kesta::test

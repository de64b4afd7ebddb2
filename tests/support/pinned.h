// The base of the test guards that change process-wide state (the resolver,
// the print handler, the viewer programs) while they live: a copy would
// restore that state twice.
#pragma once

namespace kesta::test {

class Pinned {
 public:
  Pinned(const Pinned&) = delete;
  Pinned& operator=(const Pinned&) = delete;

 protected:
  Pinned() = default;
  ~Pinned() = default;
};

}  // namespace kesta::test

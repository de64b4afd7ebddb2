// Tells whether objects handed over to an asynchronous close are gone yet,
// so that shutting down can wait for them instead of leaking them.
#pragma once

#include <set>

#include <glib-object.h>

namespace kesta::test {

class FinalizeWatch {
 public:
  FinalizeWatch() = default;
  ~FinalizeWatch();
  FinalizeWatch(const FinalizeWatch&) = delete;
  FinalizeWatch& operator=(const FinalizeWatch&) = delete;

  void watch(GObject* object);
  bool all_gone() const { return alive_.empty(); }

 private:
  static void on_finalized(gpointer self, GObject* gone) noexcept;

  std::set<GObject*> alive_;
};

}  // namespace kesta::test

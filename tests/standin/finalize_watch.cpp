#include "finalize_watch.h"

namespace kesta::test {

FinalizeWatch::~FinalizeWatch() {
  for (GObject* object : alive_) g_object_weak_unref(object, on_finalized, this);
}

void FinalizeWatch::watch(GObject* object) {
  if (alive_.insert(object).second) g_object_weak_ref(object, on_finalized, this);
}

void FinalizeWatch::on_finalized(gpointer self, GObject* gone) noexcept {
  static_cast<FinalizeWatch*>(self)->alive_.erase(gone);
}

}  // namespace kesta::test

#include "support/offline_resolver.h"

#include <gio/gio.h>

namespace kesta::test {

namespace {

struct NoResolver {
  GResolver parent;
};
struct NoResolverClass {
  GResolverClass parent;
};

GType no_resolver_get_type();
G_DEFINE_TYPE(NoResolver, no_resolver, G_TYPE_RESOLVER)

GList* fail_lookup(GResolver*, const gchar* name, GCancellable*, GError** error) {
  g_set_error(error, G_RESOLVER_ERROR, G_RESOLVER_ERROR_NOT_FOUND, "no such host: %s", name);
  return nullptr;
}

GList* fail_lookup_with_flags(GResolver* r, const gchar* name, GResolverNameLookupFlags, GCancellable* c,
                              GError** error) {
  return fail_lookup(r, name, c, error);
}

void fail_lookup_async(GResolver* resolver, const gchar* name, GCancellable*, GAsyncReadyCallback callback,
                       gpointer data) {
  GTask* task = g_task_new(resolver, nullptr, callback, data);
  g_task_return_new_error(task, G_RESOLVER_ERROR, G_RESOLVER_ERROR_NOT_FOUND, "no such host: %s", name);
  g_object_unref(task);
}

void fail_lookup_with_flags_async(GResolver* resolver, const gchar* name, GResolverNameLookupFlags,
                                  GCancellable* c, GAsyncReadyCallback callback, gpointer data) {
  fail_lookup_async(resolver, name, c, callback, data);
}

GList* finish_lookup(GResolver*, GAsyncResult* result, GError** error) {
  return static_cast<GList*>(g_task_propagate_pointer(G_TASK(result), error));
}

void no_resolver_class_init(NoResolverClass* klass) {
  GResolverClass* resolver = G_RESOLVER_CLASS(klass);
  resolver->lookup_by_name = fail_lookup;
  resolver->lookup_by_name_async = fail_lookup_async;
  resolver->lookup_by_name_finish = finish_lookup;
  resolver->lookup_by_name_with_flags = fail_lookup_with_flags;
  resolver->lookup_by_name_with_flags_async = fail_lookup_with_flags_async;
  resolver->lookup_by_name_with_flags_finish = finish_lookup;
}

void no_resolver_init(NoResolver*) {}

}  // namespace

OfflineResolver::OfflineResolver() : previous_(g_resolver_get_default()) {
  GResolver* resolver = G_RESOLVER(g_object_new(no_resolver_get_type(), nullptr));
  g_resolver_set_default(resolver);
  g_object_unref(resolver);
}

OfflineResolver::~OfflineResolver() {
  g_resolver_set_default(static_cast<GResolver*>(previous_));
  g_object_unref(previous_);
}

}  // namespace kesta::test

// Owning smart pointers for the C objects the client uses.  Whatever must be
// released is held by one of these, and a raw pointer is borrowed.  The one
// exception is an object handed to C code that releases it (a data slot or a
// handler with its destroy function, the user data a callback takes back, a
// reference a signal handler drops): it is made for that hand-over (new,
// g_object_ref) or leaves its holder by release() there, and whatever raw
// pointer to it remains is borrowed.
#pragma once

#include <memory>
#include <utility>

#include <glib-object.h>
#include <glib.h>
#include <ifaddrs.h>
#include <unistd.h>
#include <json-glib/json-glib.h>
#include <openssl/evp.h>

namespace kesta {

template <typename T, void (*Free)(T*)>
struct FnDeleter {
  void operator()(T* p) const noexcept {
    if (p) Free(p);
  }
};

struct GFreeDeleter {
  void operator()(void* p) const noexcept { g_free(p); }
};

// Text or a byte block from g_malloc/g_strdup.
template <typename T = char>
using FreeablePtr = std::unique_ptr<T, GFreeDeleter>;
using GCharPtr = FreeablePtr<char>;

struct ObjectUnref {
  void operator()(void* p) const noexcept {
    if (p) g_object_unref(p);
  }
};

// One reference to a GObject.
template <typename T>
using RefPtr = std::unique_ptr<T, ObjectUnref>;

// Adopts a new reference (the result of a *_new call or a (transfer full)
// getter).
template <typename T>
RefPtr<T> take_ref(T* p) noexcept {
  return RefPtr<T>(p);
}

// Adds a reference to a borrowed object.
template <typename T>
RefPtr<T> add_ref(T* p) noexcept {
  return RefPtr<T>(p ? static_cast<T*>(g_object_ref(p)) : nullptr);
}

// A GObject owned elsewhere, which reads as null once it is finalized.
template <typename T>
class WeakPtr {
 public:
  WeakPtr() = default;
  explicit WeakPtr(T* object) noexcept { reset(object); }
  WeakPtr(const WeakPtr&) = delete;
  WeakPtr& operator=(const WeakPtr&) = delete;
  ~WeakPtr() { reset(); }

  void reset(T* object = nullptr) noexcept {
    if (object_) g_object_remove_weak_pointer(G_OBJECT(object_), slot());
    object_ = object;
    if (object_) g_object_add_weak_pointer(G_OBJECT(object_), slot());
  }
  T* get() const noexcept { return object_; }

 private:
  gpointer* slot() noexcept { return reinterpret_cast<gpointer*>(&object_); }

  T* object_ = nullptr;
};

using JsonNodePtr = std::unique_ptr<JsonNode, FnDeleter<JsonNode, json_node_unref>>;
using JsonObjectPtr = std::unique_ptr<JsonObject, FnDeleter<JsonObject, json_object_unref>>;
using CipherCtxPtr = std::unique_ptr<EVP_CIPHER_CTX, FnDeleter<EVP_CIPHER_CTX, EVP_CIPHER_CTX_free>>;
using BytesPtr = std::unique_ptr<GBytes, FnDeleter<GBytes, g_bytes_unref>>;
using StrvPtr = std::unique_ptr<char*, FnDeleter<char*, g_strfreev>>;
using IfaddrsPtr = std::unique_ptr<struct ifaddrs, FnDeleter<struct ifaddrs, freeifaddrs>>;

// A GError slot: pass it where a GError** is wanted; the error, if one was
// set, is freed with the holder.
class Error {
 public:
  Error() = default;
  Error(const Error&) = delete;
  Error& operator=(const Error&) = delete;
  ~Error() { g_clear_error(&error_); }

  operator GError**() noexcept {
    g_clear_error(&error_);
    return &error_;
  }
  explicit operator bool() const noexcept { return error_ != nullptr; }
  const GError* operator->() const noexcept { return error_; }
  const GError* get() const noexcept { return error_; }
  // The error's message, or the fallback when no error (or no message) is set.
  const char* message_or(const char* fallback) const noexcept {
    return error_ && error_->message ? error_->message : fallback;
  }

 private:
  GError* error_ = nullptr;
};

// A main-loop source of ours (a timeout, an idle, a signal watch): it runs
// until its holder goes or is reset, unless it ends itself first by
// returning G_SOURCE_REMOVE.  Holding the source rather than its id makes
// the removal safe either way: destroying an ended source does nothing,
// where g_source_remove on its spent id is a critical.
class SourcePtr {
 public:
  SourcePtr() = default;
  // Takes over a new source, gives it the callback and attaches it to the
  // context (null: the global default one).
  SourcePtr(GSource* source, GSourceFunc callback, gpointer data, GMainContext* context = nullptr) noexcept
      : source_(source) {
    g_source_set_callback(source, callback, data, nullptr);
    g_source_attach(source, context);
  }

  // The id while the source runs; 0 once it has ended, or when there is
  // none.  The holder reads as this id, so that it compares with the ids
  // GLib hands out.
  guint id() const noexcept {
    return source_ && !g_source_is_destroyed(source_.get()) ? g_source_get_id(source_.get()) : 0;
  }
  operator guint() const noexcept { return id(); }

  void reset() noexcept { source_.reset(); }

 private:
  struct Deleter {
    void operator()(GSource* source) const noexcept {
      g_source_destroy(source);
      g_source_unref(source);
    }
  };
  std::unique_ptr<GSource, Deleter> source_;
};

// g_timeout_add, g_timeout_add_seconds and g_idle_add, held.
inline SourcePtr add_timeout(guint milliseconds, GSourceFunc callback, gpointer data) noexcept {
  return SourcePtr(g_timeout_source_new(milliseconds), callback, data);
}
inline SourcePtr add_timeout_seconds(guint seconds, GSourceFunc callback, gpointer data) noexcept {
  return SourcePtr(g_timeout_source_new_seconds(seconds), callback, data);
}
inline SourcePtr add_idle(GSourceFunc callback, gpointer data) noexcept {
  return SourcePtr(g_idle_source_new(), callback, data);
}

// An open file descriptor, closed with its holder (or by reset).
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) noexcept : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~UniqueFd() { reset(); }

  int get() const noexcept { return fd_; }
  void reset() noexcept {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

}  // namespace kesta

#include "launch/spice_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/fixed_text.h"
#include "base/ptr.h"

namespace kesta {

namespace {

constexpr std::size_t kMaxPath = 255;
constexpr char kGroup[] = "virt-viewer";

using KeyFilePtr = std::unique_ptr<GKeyFile, FnDeleter<GKeyFile, g_key_file_unref>>;

// The escapes the key-file reader turns into a character.
bool known_escape(char c) { return c == 'n' || c == 's' || c == 't' || c == 'r' || c == '\\'; }

// False, setting nothing, for a value the file cannot carry whole.
bool set_value(GKeyFile* file, const char* key, std::string_view value) {
  const std::optional<std::string> carried = key_file_value(value);
  if (!carried) return false;
  g_key_file_set_value(file, kGroup, key, carried->c_str());
  return true;
}

// The name is free, or ours to replace.  In the sticky /tmp the rename
// would refuse another user's entry anyway; this says so before writing.
bool name_is_ours(const std::string& path) {
  struct stat status;
  if (lstat(path.c_str(), &status) != 0) return errno == ENOENT;
  return status.st_uid == geteuid();
}

// $XDG_RUNTIME_DIR when it is a directory of ours that no one else enters.
std::optional<std::string> runtime_dir() {
  const char* dir = g_getenv("XDG_RUNTIME_DIR");
  struct stat status;
  if (!dir || !*dir || stat(dir, &status) != 0) return std::nullopt;
  if (!S_ISDIR(status.st_mode) || status.st_uid != geteuid() || (status.st_mode & 077) != 0) return std::nullopt;
  return dir;
}

std::optional<std::string> private_dir() {
  if (std::optional<std::string> dir = runtime_dir()) return dir;
  const GCharPtr made(g_build_filename(g_get_tmp_dir(), "kesta-spice-XXXXXX", nullptr));
  if (!g_mkdtemp_full(made.get(), 0700)) return std::nullopt;
  return made.get();
}

}  // namespace

std::optional<std::string> spice_file_path(std::string_view vm_id, std::string_view dir) {
  if (vm_id.empty() || vm_id == "." || vm_id == ".." || vm_id.find('/') != std::string_view::npos)
    return std::nullopt;
  std::string path(dir);
  path.append("/").append(vm_id).append(".spice");
  if (path.size() > kMaxPath) return std::nullopt;
  return path;
}

std::optional<std::string> key_file_value(std::string_view received) {
  if (received.starts_with('\f')) return std::nullopt;
  std::string value;
  value.reserve(received.size() + 2);
  bool leading = true;
  for (std::size_t i = 0; i < received.size(); ++i) {
    const char c = received[i];
    if (c == '\\' && i + 1 < received.size() && known_escape(received[i + 1])) {
      value.append(received.substr(i, 2));
      ++i;
    } else if (c == '\\') {
      value.append("\\\\");
    } else if (c == '\n') {
      value.append("\\n");
    } else if (c == '\r') {
      value.append("\\r");
    } else if (leading && c == ' ') {
      value.append("\\s");
    } else if (leading && c == '\t') {
      value.append("\\t");
    } else {
      value.push_back(c);
    }
    // The reader skips blanks only between "=" and the first other character.
    leading = leading && (c == ' ' || c == '\t');
  }
  return value;
}

std::optional<std::string> spice_file_text(const SpiceInfo& info, bool delete_after_reading) {
  // Laid out by the same key-file code that remote-viewer reads it with.
  const KeyFilePtr file(g_key_file_new());
  GKeyFile* f = file.get();
  const bool whole = set_value(f, "ca", info.ca) && set_value(f, "host", info.host) &&
                     set_value(f, "host-subject", info.host_subject) && set_value(f, "password", info.password) &&
                     set_value(f, "proxy", info.proxy) && set_value(f, "release-cursor", info.release_cursor) &&
                     set_value(f, "secure-attention", info.secure_attention) &&
                     set_value(f, "title", "kesta-" + info.title) &&
                     set_value(f, "tls-port", std::to_string(info.tls_port)) &&
                     set_value(f, "toggle-fullscreen", info.toggle_fullscreen) && set_value(f, "type", "spice");
  if (!whole) return std::nullopt;
  if (delete_after_reading) g_key_file_set_value(f, kGroup, "delete-this-file", "1");
  gsize length = 0;
  const GCharPtr text(g_key_file_to_data(f, &length, nullptr));
  return std::string(text.get(), length);
}

std::optional<std::string> write_spice_file(const char* vm_id, const SpiceInfo* spice_info) {
  if (!vm_id || !spice_info) return std::nullopt;
  std::optional<std::string> path = spice_file_path(vm_id);
  if (!path) {
    g_print("无法创建SPICE连接文件: %s\n", readable_text(std::string("/tmp/") + vm_id + ".spice", kMaxPath).c_str());
    return std::nullopt;
  }
  const std::string planned = *path;
  const std::optional<std::string> text = spice_file_text(*spice_info, true);
  if (text && !name_is_ours(*path)) {
    const std::optional<std::string> dir = private_dir();
    path = dir ? spice_file_path(vm_id, *dir) : std::nullopt;
  }
  // A new owner-only file beside the name, renamed over it: rename replaces
  // a symbolic link instead of following it, and never writes into a file
  // that is already there.
  Error error;
  if (!text || !path || !name_is_ours(*path) ||
      !g_file_set_contents_full(path->c_str(), text->data(), static_cast<gssize>(text->size()),
                                G_FILE_SET_CONTENTS_CONSISTENT, 0600, error)) {
    g_print("无法创建SPICE连接文件: %s\n", readable_text(path.value_or(planned), kMaxPath).c_str());
    return std::nullopt;
  }
  return path;
}

}  // namespace kesta

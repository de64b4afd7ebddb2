#include "launch/spice_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/fixed_text.h"
#include "base/ptr.h"
#include "launch/json_member.h"

namespace kesta {

namespace {

constexpr std::size_t kMaxPath = 255;

// False, adding nothing, for a value the file cannot carry whole.
bool add_line(std::string& text, std::string_view key, std::string_view value) {
  if (value.starts_with('\f')) return false;
  text.append(key).append("=").append(escape_spice_value(value)).append("\n");
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

std::string escape_spice_value(std::string_view value) {
  std::string escaped;
  escaped.reserve(value.size());
  // The reader drops blanks at the start of a value unless escaped.
  bool leading = true;
  for (char c : value) {
    if (c == ' ' && leading) {
      escaped += "\\s";
    } else if (c == '\t' && leading) {
      escaped += "\\t";
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (c == '\r') {
      escaped += "\\r";
    } else if (c == '\\') {
      escaped += "\\\\";
    } else {
      escaped += c;
      leading = false;
    }
  }
  return escaped;
}

std::optional<std::string> spice_file_text(JsonObject* spice_info) {
  auto text_of = [spice_info](const char* key) { return json::text_or_empty(spice_info, key); };
  std::string text = "[virt-viewer]\n";
  const bool whole =
      add_line(text, "ca", text_of("ca")) && add_line(text, "host", text_of("host")) &&
      add_line(text, "host-subject", text_of("host-subject")) && add_line(text, "password", text_of("password")) &&
      add_line(text, "proxy", text_of("proxy")) && add_line(text, "release-cursor", text_of("release-cursor")) &&
      add_line(text, "secure-attention", text_of("secure-attention")) &&
      add_line(text, "title", "kesta-" + text_of("title")) &&
      add_line(text, "tls-port", std::to_string(json::integer(spice_info, "tls-port").value_or(0))) &&
      add_line(text, "toggle-fullscreen", text_of("toggle-fullscreen"));
  if (!whole) return std::nullopt;
  text += "type=spice\n";
  return text;
}

std::optional<std::string> write_spice_file(const char* vm_id, JsonObject* spice_info) {
  if (!vm_id || !spice_info) return std::nullopt;
  std::optional<std::string> path = spice_file_path(vm_id);
  if (!path) {
    g_print("无法创建SPICE连接文件: %s\n", readable_text(std::string("/tmp/") + vm_id + ".spice", kMaxPath).c_str());
    return std::nullopt;
  }
  const std::string planned = *path;
  const std::optional<std::string> text = spice_file_text(spice_info);
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

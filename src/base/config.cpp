#include "base/config.h"

#include <fcntl.h>
#include <glib/gstdio.h>
#include <json-glib/json-glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include <algorithm>
#include <cstring>

#include "base/fixed_text.h"
#include "base/json_read.h"

namespace kesta {

ClientConfig app_config;

namespace {

constexpr const char kFileName[] = ".kestaconfig2.json";

// A member that is not a string leaves the field as it is.
template <std::size_t N>
void read_text(JsonObject* root, const char* key, char (&field)[N]) {
  if (const char* text = string_member(root, key)) copy_fixed(field, text);
}

// Any member that is there sets the flag; one of another type clears it.
void read_flag_member(JsonObject* root, const char* key, gint32& flag) {
  if (JsonNode* node = member(root, key)) flag = node_flag(node) ? 1 : 0;
}

// The slot of host_port, or null; Config is ClientConfig, const or not.
template <typename Config>
auto* find_slot(Config& config, std::string_view host_port) noexcept {
  for (auto& slot : config.trusted_certificates)
    if (slot.host_port[0] && host_port == slot.host_port) return &slot;
  return static_cast<decltype(&config.trusted_certificates[0])>(nullptr);
}

// A free slot, made by dropping the oldest pin when there is none.
TrustedCertificate& free_slot(ClientConfig& config) noexcept {
  for (TrustedCertificate& slot : config.trusted_certificates)
    if (!slot.host_port[0]) return slot;
  TrustedCertificate* slots = config.trusted_certificates;
  std::move(slots + 1, slots + kMaxTrustedCertificates, slots);
  slots[kMaxTrustedCertificates - 1] = TrustedCertificate{};
  return slots[kMaxTrustedCertificates - 1];
}

// A key that does not fit names no service (a host name has at most 253
// bytes) and is left out; a fingerprint too long to keep is cut, so that it
// matches no certificate rather than none being kept.
void read_trusted_certificates(JsonObject* root, ClientConfig& config) {
  JsonObject* pins = object_member(root, "trusted_certificates");
  if (!pins) return;
  GList* names = json_object_get_members(pins);
  std::size_t used = 0;
  for (GList* name = names; name && used < kMaxTrustedCertificates; name = name->next) {
    const auto* host_port = static_cast<const char*>(name->data);
    const char* fingerprint = string_member(pins, host_port);
    if (!fingerprint || std::strlen(host_port) >= sizeof TrustedCertificate{}.host_port ||
        find_slot(config, host_port))
      continue;
    TrustedCertificate& slot = config.trusted_certificates[used++];
    copy_fixed(slot.host_port, host_port);
    copy_fixed(slot.fingerprint, fingerprint);
  }
  g_list_free(names);
}

void write_trusted_certificates(JsonBuilder* b, const ClientConfig& config) {
  if (!config.trusted_certificates[0].host_port[0]) return;
  json_builder_set_member_name(b, "trusted_certificates");
  json_builder_begin_object(b);
  for (const TrustedCertificate& slot : config.trusted_certificates) {
    if (!slot.host_port[0]) break;
    json_builder_set_member_name(b, slot.host_port);
    json_builder_add_string_value(b, slot.fingerprint);
  }
  json_builder_end_object(b);
}

}  // namespace

const char* find_trusted_certificate(const ClientConfig& config, std::string_view host_port) noexcept {
  const TrustedCertificate* slot = find_slot(config, host_port);
  return slot ? slot->fingerprint : nullptr;
}

bool trust_certificate(ClientConfig& config, std::string_view host_port, std::string_view fingerprint) noexcept {
  if (host_port.empty() || host_port.size() >= sizeof TrustedCertificate{}.host_port ||
      fingerprint.size() >= sizeof TrustedCertificate{}.fingerprint)
    return false;
  TrustedCertificate* slot = find_slot(config, host_port);
  if (!slot) {
    slot = &free_slot(config);
    copy_fixed(slot->host_port, host_port);
  }
  copy_fixed(slot->fingerprint, fingerprint);
  return true;
}

bool forget_trusted_certificate(ClientConfig& config, std::string_view host_port) noexcept {
  TrustedCertificate* slot = find_slot(config, host_port);
  if (!slot) return false;
  TrustedCertificate* end = config.trusted_certificates + kMaxTrustedCertificates;
  std::move(slot + 1, end, slot);
  end[-1] = TrustedCertificate{};
  return true;
}

void apply_config_defaults(ClientConfig& config) noexcept {
  config.server_address[0] = '\0';
  config.maclogin = 0;
  copy_fixed(config.protocol, "freerdp");
  config.username[0] = '\0';
  config.encrypted_password[0] = '\0';
  config.save_credentials = 1;
  config.setting = 0;
  for (TrustedCertificate& slot : config.trusted_certificates) slot = TrustedCertificate{};
  config.logout_on_session_end = 0;
}

GCharPtr config_file_path() {
  const char* home = g_get_home_dir();
  if (!home || !*home) return nullptr;
  return GCharPtr(g_build_filename(home, kFileName, nullptr));
}

bool load_config_data(std::string_view text, ClientConfig& config) {
  apply_config_defaults(config);
  Error error;
  const JsonDocument document(text, error);
  if (error.get()) {
    g_print("解析配置文件失败: %s\n", error.message_or("未知错误"));
    return false;
  }
  JsonObject* root = document.root_object();
  if (!root) {
    g_print("配置文件格式错误\n");
    return false;
  }
  read_text(root, "server_address", config.server_address);
  read_flag_member(root, "maclogin", config.maclogin);
  read_text(root, "protocol", config.protocol);
  read_flag_member(root, "save_credentials", config.save_credentials);
  read_flag_member(root, "setting", config.setting);
  if (config.save_credentials) {
    read_text(root, "username", config.username);
    read_text(root, "encrypted_password", config.encrypted_password);
  }
  read_trusted_certificates(root, config);
  read_flag_member(root, "logout_on_session_end", config.logout_on_session_end);
  g_print("配置文件加载成功\n");
  return true;
}

namespace {

// A settings file is a few hundred bytes; anything larger is not ours.
constexpr gsize kMaxFileBytes = 64 * 1024;

enum class Read { Missing, Failed, Done };

// Reads the file when it is a regular file of at most kMaxFileBytes.  Opened
// without blocking, and checked on the descriptor itself: a FIFO, a device
// or a link to one put there must neither hang the start nor fill memory.
Read read_settings_file(const char* path, std::string& text, Error& error) {
  const UniqueFd fd(g_open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0));
  if (fd.get() < 0) {
    const int code = errno;
    if (code == ENOENT || code == ENOTDIR) return Read::Missing;
    g_set_error(error, G_FILE_ERROR, g_file_error_from_errno(code), "无法打开文件 %s: %s", path, g_strerror(code));
    return Read::Failed;
  }
  struct stat info {};
  if (fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > static_cast<off_t>(kMaxFileBytes))
    return Read::Missing;
  char buffer[kMaxFileBytes + 1];
  gsize length = 0;
  // One byte more than the limit tells a file that grew meanwhile.
  while (length < sizeof buffer) {
    const ssize_t n = read(fd.get(), buffer + length, sizeof buffer - length);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int code = errno;
      g_set_error(error, G_FILE_ERROR, g_file_error_from_errno(code), "无法读取文件 %s: %s", path,
                  g_strerror(code));
      return Read::Failed;
    }
    length += static_cast<gsize>(n);
  }
  if (length > kMaxFileBytes) return Read::Missing;
  text.assign(buffer, length);
  return Read::Done;
}

}  // namespace

bool load_config_file(const char* path, ClientConfig& config) {
  apply_config_defaults(config);
  // Read through the reply parser's guards: a text that is not UTF-8 would
  // be written back as such by the next save, and the file after that would
  // not load at all.
  Error error;
  std::string text;
  switch (read_settings_file(path, text, error)) {
    case Read::Missing:
      g_print("配置文件不存在，将使用默认配置\n");
      return false;
    case Read::Failed:
      g_print("解析配置文件失败: %s\n", error.message_or("未知错误"));
      return false;
    case Read::Done:
      break;
  }
  return load_config_data(text, config);
}

bool save_config_file(const char* path, const ClientConfig& config) {
  auto builder = take_ref(json_builder_new());
  JsonBuilder* b = builder.get();
  json_builder_begin_object(b);
  json_builder_set_member_name(b, "server_address");
  json_builder_add_string_value(b, config.server_address);
  json_builder_set_member_name(b, "maclogin");
  json_builder_add_boolean_value(b, config.maclogin != 0);
  json_builder_set_member_name(b, "protocol");
  json_builder_add_string_value(b, config.protocol);
  json_builder_set_member_name(b, "save_credentials");
  json_builder_add_boolean_value(b, config.save_credentials != 0);
  json_builder_set_member_name(b, "setting");
  json_builder_add_boolean_value(b, config.setting != 0);
  if (config.save_credentials) {
    json_builder_set_member_name(b, "username");
    json_builder_add_string_value(b, config.username);
    json_builder_set_member_name(b, "encrypted_password");
    json_builder_add_string_value(b, config.encrypted_password);
  }
  write_trusted_certificates(b, config);
  // Only when set: the file of a terminal that never set it stays as it was.
  if (config.logout_on_session_end) {
    json_builder_set_member_name(b, "logout_on_session_end");
    json_builder_add_boolean_value(b, true);
  }
  json_builder_end_object(b);

  const std::string text = builder_text(b, JsonLayout::Pretty);

  // The file holds the saved password, and a save must never leave it half
  // written: a temporary file beside it is synced and renamed over it.
  Error error;
  if (!g_file_set_contents_full(path, text.data(), static_cast<gssize>(text.size()),
                                static_cast<GFileSetContentsFlags>(G_FILE_SET_CONTENTS_CONSISTENT |
                                                                   G_FILE_SET_CONTENTS_DURABLE),
                                0600, error)) {
    g_print("保存配置文件失败: %s\n", error.message_or("未知错误"));
    return false;
  }
  return true;
}

bool load_config() {
  GCharPtr path = config_file_path();
  if (!path) {
    apply_config_defaults(app_config);
    g_print("无法获取用户主目录\n");
    return false;
  }
  return load_config_file(path.get(), app_config);
}

bool save_config() {
  GCharPtr path = config_file_path();
  if (!path) {
    g_print("无法获取用户主目录\n");
    return false;
  }
  return save_config_file(path.get(), app_config);
}

}  // namespace kesta

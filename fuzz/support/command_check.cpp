#include "support/command_check.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "api/pool_settings.h"
#include "base/cipher.h"
#include "base/json_read.h"
#include "base/ptr.h"
#include "launch/horizon.h"
#include "launch/rdp.h"
#include "launch/spice.h"
#include "launch/spice_file.h"
#include "launch/viewer.h"
#include "support/fuzz.h"

namespace kesta::fuzz {

namespace {

using Argv = std::vector<std::string>;

constexpr gint64 kDefaultRdpPort = 3389;
// The connection file's values taken over as they are sent.
constexpr const char* kSpiceTexts[] = {"ca",    "host",           "host-subject",     "password",
                                       "proxy", "release-cursor", "secure-attention", "toggle-fullscreen"};

void print_argv(const char* name, const Argv& argv) {
  std::fprintf(stderr, "%s (%zu):\n", name, argv.size());
  for (const std::string& argument : argv) {
    const GCharPtr shown(g_strescape(argument.c_str(), nullptr));
    std::fprintf(stderr, "  [%s]\n", shown.get());
  }
}

void require_argv(const Argv& built, const Argv& expected, const char* what) {
  if (built == expected) return;
  print_argv("built", built);
  print_argv("expected", expected);
  fail(what);
}

// Every argument reaches the viewer whole: none holds a NUL, where exec
// would end it, and the line limit drops whole arguments from the end, only
// as many as it must.
void check_reaches_whole(const Argv& argv) {
  for (const std::string& argument : argv)
    require(argument.find('\0') == std::string::npos, "no argument holds a NUL");
  const Argv kept = fit_command_line(argv);
  require(kept.size() <= argv.size(), "the fitted line has no more arguments");
  std::size_t length = 0;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    require(kept[i] == argv[i], "the fitted line keeps each argument whole and in order");
    length += kept[i].size() + (i > 0 ? 1 : 0);
  }
  require(length <= kMaxCommandLine, "the fitted line stays within the limit");
  if (kept.size() < argv.size()) {
    const std::size_t next = argv[kept.size()].size() + (kept.empty() ? 0 : 1);
    require(length + next > kMaxCommandLine, "an argument is dropped only when it would cross the limit");
  }
}

std::string decrypted(JsonObject* object, const char* key) {
  const char* cipher_text = string_member(object, key);
  return cipher_text ? decrypt_password(cipher_text).get() : "";
}

std::string text_or(JsonObject* object, const char* key, const char* absent) {
  const char* text = string_member(object, key);
  return text ? text : absent;
}

// The "resource" text read as a JSON object, or null.
JsonObjectPtr resource_of(JsonObject* pool) { return parse_object(string_member(pool, "resource")); }

// The account of the session and of the gateway: a user name and its
// password, or nothing.
struct RdpAccount {
  std::string user;
  std::string password;
};

std::optional<RdpAccount> rdp_account(JsonObject* pool, const Session& session) {
  const std::string type = text_or(pool, "accounttype", "all");
  const std::string account_user = text_or_empty(pool, "accountUser");
  if (type == "all") return RdpAccount{account_user, decrypted(pool, "accountPassword")};
  if (type == "user") return RdpAccount{account_user, account_user};
  if (type == "ad" || type == "none") return RdpAccount{session.username, session.password};
  return std::nullopt;
}

std::optional<RdpAccount> rdp_gateway_account(JsonObject* pool, const Session& session) {
  JsonObject* gw = object_member(pool, "gw");
  if (flag_member(pool, "usegw") != true || !gw) return std::nullopt;
  const std::string type = text_or_empty(gw, "gwtype");
  if (type == "public") return RdpAccount{text_or_empty(gw, "gwuser"), decrypted(gw, "gwpassword")};
  if (type == "ad") return RdpAccount{session.username, session.password};
  return std::nullopt;
}

void add_rdp_gateway(Argv& want, JsonObject* pool, const Session& session) {
  JsonObject* gw = object_member(pool, "gw");
  if (flag_member(pool, "usegw") != true || !gw) return;
  want.insert(want.end(), {"/g:" + text_or_empty(gw, "gwaddr"), "/gt:auto,no-websockets"});
  if (const std::optional<RdpAccount> account = rdp_gateway_account(pool, session))
    want.push_back("/gu:" + account->user);
}

// FreeRDP's standard input: the password (empty without an account), then
// the gateway's, a line each; nothing at all without either, and no input
// when a password cannot be one line.
std::optional<std::string> rdp_input(JsonObject* pool, const Session& session) {
  const std::optional<RdpAccount> account = rdp_account(pool, session);
  const std::optional<RdpAccount> gateway = rdp_gateway_account(pool, session);
  if (!account && !gateway) return std::string();
  std::vector<std::string> lines{account ? account->password : ""};
  if (gateway) lines.push_back(gateway->password);
  std::string input;
  for (const std::string& line : lines) {
    for (char c : line)
      if (c == '\n' || c == '\r' || c == '\0') return std::nullopt;
    input += line + "\n";
  }
  return input;
}

void add_rdp_redirection(Argv& want, JsonObject* pool) {
  const JsonObjectPtr resource = resource_of(pool);
  if (!resource) return;
  struct Option {
    const char* key;
    const char* argument;
    const char* second_argument = nullptr;
  };
  const Option options[] = {{"usbs", "/usb:auto"},      {"sounds", "/sound"},   {"drives", "+drives", "/drive:hotplug,*"},
                            {"mic", "/microphone"},     {"clipboard", "/clipboard"}, {"printers", "/printer"},
                            {"multimon", "/multimon"},  {"serial", "/serial"},  {"home", "+home-drive"}};
  for (const Option& option : options) {
    if (flag_member(resource.get(), option.key) != true) continue;
    want.emplace_back(option.argument);
    if (option.second_argument) want.emplace_back(option.second_argument);
  }
}

void add_rdp_display(Argv& want, JsonObject* pool) {
  const char* text = string_member(pool, "connectparam");
  const JsonObjectPtr params = parse_object(text);
  // Given but not an object: no display option at all.
  if (text && !params) return;
  if (const auto bpp = int_member(params.get(), "bpp")) want.push_back("/bpp:" + std::to_string(*bpp));
  const std::string decode = text_or_empty(params.get(), "decode");
  if (decode == "444") want.emplace_back("/gfx:avc444");
  if (decode == "420") want.emplace_back("/gfx:avc420");
  if (decode == "400") want.emplace_back("/gfx:rfx");
  want.push_back("/network:" + text_or(params.get(), "network", "auto"));
}

LaunchRequest request_of(JsonObject* pool, const Session& session) {
  return LaunchRequest{session.address, session.username, session.password, read_pool_settings(pool)};
}

// What the service means by a value it sends: its key-file escapes stand
// for their characters, every other character for itself.
std::string meant(const std::string& sent) {
  static constexpr std::string_view kEscapes = "nstr\\", kMeanings = "\n \t\r\\";
  std::string meaning;
  for (std::size_t i = 0; i < sent.size(); ++i) {
    const std::size_t escape = i + 1 < sent.size() && sent[i] == '\\' ? kEscapes.find(sent[i + 1]) : kEscapes.npos;
    if (escape == kEscapes.npos) {
      meaning.push_back(sent[i]);
    } else {
      meaning.push_back(kMeanings[escape]);
      ++i;
    }
  }
  return meaning;
}

// The key's value as the viewer reads it, without complaint, must be the
// one the service meant.
void require_read_back(GKeyFile* file, const char* key, const std::string& sent) {
  Error error;
  const GCharPtr value(g_key_file_get_string(file, "virt-viewer", key, error));
  if (value && !error.get() && meant(sent) == value.get()) return;
  const GCharPtr shown_sent(g_strescape(sent.c_str(), nullptr));
  const GCharPtr shown_read(value ? g_strescape(value.get(), nullptr) : g_strdup(error.message_or("")));
  std::fprintf(stderr, "%s: sent [%s], read [%s] %s\n", key, shown_sent.get(), shown_read.get(),
               error.message_or(""));
  fail("each value of the connection file reads back as the service meant it");
}

}  // namespace

void check_rdp_command(JsonObject* pool, const Session& session) {
  const ViewerPaths paths;
  const RdpSettings settings = read_rdp_settings(request_of(pool, session), paths);
  const Argv built = rdp_arguments(settings);

  Argv want{text_or_empty(pool, "connecttype") == "freerdp3" ? paths.xfreerdp3 : paths.xfreerdp};
  const gint64 port = int_member(pool, "rdpport").value_or(kDefaultRdpPort);
  want.push_back("/v:" + session.address + (port == kDefaultRdpPort ? "" : ":" + std::to_string(port)));
  const std::optional<RdpAccount> account = rdp_account(pool, session);
  if (account || rdp_gateway_account(pool, session)) want.emplace_back("/from-stdin:force");
  if (account) want.push_back("/u:" + account->user);
  add_rdp_gateway(want, pool, session);
  add_rdp_redirection(want, pool);
  want.emplace_back("/f");
  add_rdp_display(want, pool);
  want.insert(want.end(), {"+auto-reconnect", "/auto-reconnect-max-retries:3", "/cert-ignore",
                           "/t:KESTA Remote Desktop", "/dynamic-resolution", "+multitouch", "/gdi:hw", "+gestures",
                           "/compression-level:2", "/codec-cache:rfx", "+gfx-progressive", "+bitmap-cache"});
  require_argv(built, want, "the FreeRDP arguments are the ones the settings call for");
  check_reaches_whole(built);
  // Passwords travel on standard input only, each on a line of its own.
  for (const std::string& argument : built)
    require(!argument.starts_with("/p:") && !argument.starts_with("/gp:"), "no password on the command line");
  require(rdp_standard_input(settings) == rdp_input(pool, session),
          "FreeRDP's standard input holds the passwords it asks for, in its order");
}

void check_horizon_command(JsonObject* pool, const Session& session) {
  const ViewerPaths paths;
  const Argv built = horizon_arguments(read_horizon_settings(request_of(pool, session), paths));

  Argv want{paths.vmware_view,
            "--protocol=" + text_or_empty(pool, "connecttype"),
            "--serverURL=" + session.address,
            "--desktopSize=small",
            "--nomenubar",
            "--userName=" + session.username,
            "--password=" + session.password,
            "--launchMinimized",
            "--singleAutoConnect",
            "--skipCRLRevocationCheck",
            "--hideClientAfterLaunchSession=TRUE",
            "--nonInteractive",
            "--useExisting"};
  if (const JsonObjectPtr resource = resource_of(pool)) {
    const std::string automatic = flag_member(resource.get(), "usbs") == false ? "TRUE" : "FALSE";
    want.insert(want.end(),
                {"--usbAutoConnectOnInsert=" + automatic, "--usbAutoConnectAtStartUp=" + automatic});
    if (flag_member(resource.get(), "multimon") == true) want.emplace_back("--allmonitors");
  }
  require_argv(built, want, "the Horizon arguments are the ones the settings call for");
  check_reaches_whole(built);
}

void check_spice_command(JsonObject* pool, std::string_view vm_id, JsonObject* spice_info) {
  const ViewerPaths paths;
  const std::optional<std::string> path = spice_file_path(vm_id);
  const bool plain_name = !vm_id.empty() && vm_id != "." && vm_id != ".." && vm_id.find('/') == std::string_view::npos;
  const std::string named = "/tmp/" + std::string(vm_id) + ".spice";
  if (plain_name && named.size() <= 255)
    require(path == named, "a plain VM id names /tmp/<id>.spice");
  else
    require(!path, "no file name for an id that is no plain name or too long");

  const std::string file = path.value_or("/tmp/vm.spice");
  const Argv built = spice_arguments(paths.remote_viewer, file, read_resource_flags(pool), "/home/u");
  Argv want{paths.remote_viewer, "-f", file};
  if (const JsonObjectPtr resource = resource_of(pool)) {
    JsonObject* r = resource.get();
    if (flag_member(r, "usbs") == false) want.emplace_back("--spice-disable-usbredir");
    if (flag_member(r, "sounds") == false) want.emplace_back("--spice-disable-audio");
    if (flag_member(r, "home") == true) want.emplace_back("--spice-shared-dir=/home/u");
    if (flag_member(r, "debug") == true) want.emplace_back("--spice-debug");
    if (const char* filter = string_member(r, "usbfilter"))
      want.push_back(std::string("--spice-usbredir-auto-redirect-filter=") + filter);
  }
  require_argv(built, want, "the remote-viewer arguments are the ones the settings call for");
  check_reaches_whole(built);

  // The file: twelve lines, and each value reads back whole, alone under its
  // own key.  The format cannot carry a value that starts with a form feed:
  // then there is no file.
  bool form_feed = false;
  for (const char* key : kSpiceTexts) form_feed = form_feed || text_or_empty(spice_info, key).starts_with('\f');
  const std::optional<std::string> text = spice_file_text(read_spice_info(spice_info));
  require(!text == form_feed, "a connection file for every value it can carry whole");
  if (!text) return;
  std::size_t lines = 0;
  for (char c : *text) lines += c == '\n' ? 1 : 0;
  require(lines == 12 && text->back() == '\n', "the connection file has twelve lines");
  const auto key_file = std::unique_ptr<GKeyFile, FnDeleter<GKeyFile, g_key_file_free>>(g_key_file_new());
  Error error;
  require(g_key_file_load_from_data(key_file.get(), text->data(), text->size(), G_KEY_FILE_NONE, error) != FALSE,
          "the connection file reads as a key file");
  gsize group_count = 0;
  const StrvPtr groups(g_key_file_get_groups(key_file.get(), &group_count));
  require(group_count == 1, "the connection file has one group");
  gsize key_count = 0;
  const StrvPtr keys(g_key_file_get_keys(key_file.get(), "virt-viewer", &key_count, nullptr));
  require(key_count == 11, "the connection file has its eleven keys and no other");
  for (const char* key : kSpiceTexts) require_read_back(key_file.get(), key, text_or_empty(spice_info, key));
  require_read_back(key_file.get(), "title", "kesta-" + text_or_empty(spice_info, "title"));
  require_read_back(key_file.get(), "tls-port", std::to_string(int_member(spice_info, "tls-port").value_or(0)));
  require_read_back(key_file.get(), "type", "spice");
}

}  // namespace kesta::fuzz

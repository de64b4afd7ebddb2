// The real viewer programs accept what the client gives them.  They are
// pointed at closed ports on 127.0.0.1, so each must fail to connect, and
// the way it fails tells whether it understood its input; FreeRDP also signs
// in to a real RDP server on 127.0.0.1 with the password on its standard
// input, and remote-viewer connects to a real SPICE server on 127.0.0.1
// with its connection text on its standard input.
#include <gtest/gtest.h>

#include <gio/gio.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/json_read.h"
#include "base/ptr.h"
#include "launch/rdp.h"
#include "launch/spawn.h"
#include "launch/spice.h"
#include "launch/spice_file.h"
#include "launch/viewer.h"
#include "support/dialog_recorder.h"
#include "support/spin.h"
#include "support/temp_home.h"
#include "self_signed.h"

namespace kesta {
namespace {

using namespace std::chrono_literals;
using Argv = std::vector<std::string>;

constexpr char kXfreerdp[] = "/usr/bin/xfreerdp";
constexpr char kRemoteViewer[] = "/usr/bin/remote-viewer";

struct Outcome {
  bool exited = false;  // by itself, before the deadline
  int status = -1;      // its exit status when it exited
  std::string output;   // standard output and error
};

// Runs argv with input on its standard input and its output in a file until
// it exits, until enough(output) holds, or for at most `seconds`; then stops
// it for good.
Outcome run(const Argv& argv, unsigned seconds, const std::function<bool(const std::string&)>& enough,
            const std::string& input = "") {
  const std::string dir = test::make_temp_dir();
  const std::string log = dir + "/output";
  auto launcher =
      take_ref(g_subprocess_launcher_new(GSubprocessFlags(G_SUBPROCESS_FLAGS_STDERR_MERGE | G_SUBPROCESS_FLAGS_STDIN_PIPE)));
  g_subprocess_launcher_set_stdout_file_path(launcher.get(), log.c_str());
  std::vector<const char*> pointers;
  for (const std::string& a : argv) pointers.push_back(a.c_str());
  pointers.push_back(nullptr);
  Error error;
  auto process = take_ref(g_subprocess_launcher_spawnv(launcher.get(), pointers.data(), error));
  Outcome outcome;
  if (!process) {
    ADD_FAILURE() << error.message_or("");
    return outcome;
  }
  GOutputStream* stdin_pipe = g_subprocess_get_stdin_pipe(process.get());
  EXPECT_TRUE(g_output_stream_write_all(stdin_pipe, input.data(), input.size(), nullptr, nullptr, error))
      << error.message_or("");
  g_output_stream_close(stdin_pipe, nullptr, nullptr);
  bool finished = false;
  g_subprocess_wait_async(
      process.get(), nullptr,
      [](GObject*, GAsyncResult*, gpointer done) noexcept { *static_cast<bool*>(done) = true; }, &finished);
  test::spin_until([&] { return finished || (enough && enough(test::read_file(log))); },
                   std::chrono::seconds(seconds), 100ms);
  if (!finished) {
    g_subprocess_force_exit(process.get());
    while (!finished) g_main_context_iteration(nullptr, TRUE);
  } else {
    outcome.exited = g_subprocess_get_if_exited(process.get()) != FALSE;
    if (outcome.exited) outcome.status = g_subprocess_get_exit_status(process.get());
  }
  outcome.output = test::read_file(log);
  g_unlink(log.c_str());
  g_rmdir(dir.c_str());
  return outcome;
}

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// xfreerdp's exit codes for a connection that failed: CONN_FAILED,
// CONNECT_FAILED, TLS_CONNECT_FAILED and CONNECT_TRANSPORT_FAILED.  A
// rejected option ends with a usage text and a small code instead.
void expect_connect_failure(const Outcome& o, const std::string& what) {
  EXPECT_TRUE(o.exited) << what << ": still running at the deadline\n" << o.output;
  EXPECT_TRUE(o.status == 131 || o.status == 141 || o.status == 143 || o.status == 147)
      << what << ": exit status " << o.status << "\n" << o.output;
  EXPECT_TRUE(contains(o.output, "ERRCONNECT_")) << what << "\n" << o.output;
  EXPECT_FALSE(contains(o.output, "Usage:")) << what << "\n" << o.output;
  EXPECT_FALSE(contains(o.output, "Unexpected keyword")) << what << "\n" << o.output;
  EXPECT_FALSE(contains(o.output, "Failed at index")) << what << "\n" << o.output;
}

RdpSettings everything_on() {
  RdpSettings s;
  s.program = kXfreerdp;
  s.address = "127.0.0.1";
  s.port = 1;
  s.account_user = "pool user";
  s.account_password = "x /drive:all,/ \"q\"";
  s.login_user = "alice";
  s.login_password = "pw";
  s.gateway = RdpGateway{"public", "127.0.0.1:1", "gw user", "gw pass"};
  ResourceFlags all;
  all.usbs = all.sounds = all.drives = all.mic = all.clipboard = all.printers = all.multimon = all.serial =
      all.home = true;
  s.resource = all;
  s.display.bpp = 16;
  s.display.decode = "444";
  s.display.network = "lan";
  return s;
}

// FreeRDP with the line and the standard input the launcher gives it.
Outcome run_freerdp(const RdpSettings& s, unsigned seconds = 60,
                    const std::function<bool(const std::string&)>& enough = nullptr) {
  const std::optional<std::string> input = rdp_standard_input(s);
  EXPECT_TRUE(input);
  return run(fit_command_line(rdp_arguments(s)), seconds, enough, input.value_or(""));
}

class RealViewer : public testing::Test {
 protected:
  void require(const char* program, const char* package) {
    ASSERT_TRUE(g_file_test(program, G_FILE_TEST_IS_EXECUTABLE))
        << program << " is missing: install " << package << " (scripts/test does)";
  }
};

TEST_F(RealViewer, FreeRdpAcceptsEveryOptionTheClientCanGive) {
  require(kXfreerdp, "freerdp2-x11");
  // Gateway first: everything on, and the connection fails at the gateway.
  expect_connect_failure(run_freerdp(everything_on()), "everything with a public gateway");

  RdpSettings ad_gateway = everything_on();
  ad_gateway.gateway->type = "ad";
  expect_connect_failure(run_freerdp(ad_gateway), "an AD gateway");

  // Without a gateway the connection fails at the target; each decoder.
  for (const char* decode : {"444", "420", "400"}) {
    RdpSettings s = everything_on();
    s.gateway.reset();
    s.display.decode = decode;
    s.display.network.reset();
    expect_connect_failure(run_freerdp(s), std::string("decode ") + decode);
  }
}

TEST_F(RealViewer, FreeRdpRejectsAnUnknownOptionDifferently) {
  require(kXfreerdp, "freerdp2-x11");
  // The check above would see this: a usage text, no connection attempt.
  Argv argv = rdp_arguments(everything_on());
  argv.insert(argv.begin() + 2, "/no-such-option:1");
  const Outcome o = run(argv, 60, nullptr, *rdp_standard_input(everything_on()));
  EXPECT_TRUE(o.exited);
  EXPECT_TRUE(o.status > 0 && o.status < 128) << o.status;
  EXPECT_FALSE(contains(o.output, "ERRCONNECT_")) << o.output;
}

// argv[0] started with its output in a file and, unless empty, DISPLAY set.
RefPtr<GSubprocess> start(const Argv& argv, const std::string& output, const std::string& display) {
  auto launcher = take_ref(g_subprocess_launcher_new(G_SUBPROCESS_FLAGS_STDERR_MERGE));
  g_subprocess_launcher_set_stdout_file_path(launcher.get(), output.c_str());
  if (!display.empty()) g_subprocess_launcher_setenv(launcher.get(), "DISPLAY", display.c_str(), TRUE);
  std::vector<const char*> pointers;
  for (const std::string& a : argv) pointers.push_back(a.c_str());
  pointers.push_back(nullptr);
  Error error;
  auto process = take_ref(g_subprocess_launcher_spawnv(launcher.get(), pointers.data(), error));
  EXPECT_TRUE(process) << argv[0] << ": " << error.message_or("");
  return process;
}

// Asks the process to end, and kills it when it does not within 30 s.
void stop(GSubprocess* process) {
  if (!process) return;
  g_subprocess_send_signal(process, SIGTERM);
  test::spin_until([process] { return !g_subprocess_get_identifier(process); }, 30s);
  g_subprocess_force_exit(process);
  g_subprocess_wait(process, nullptr, nullptr);
}

// A port on 127.0.0.1 that nothing listens on just now.
guint16 free_port() {
  auto socket = take_ref(g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_STREAM, G_SOCKET_PROTOCOL_TCP, nullptr));
  auto any = take_ref(g_inet_socket_address_new_from_string("127.0.0.1", 0));
  if (!socket || !g_socket_bind(socket.get(), any.get(), FALSE, nullptr)) return 0;
  auto bound = take_ref(g_socket_get_local_address(socket.get(), nullptr));
  return bound ? g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound.get())) : 0;
}

// A real RDP server on 127.0.0.1: freerdp-shadow-cli shows a private Xvfb
// and signs users in by NLA against a SAM file holding one account.
class ShadowServer {
 public:
  static constexpr char kUser[] = "kesta";
  static constexpr char kPassword[] = "Secret pw 1";

  ShadowServer() : dir_(test::make_temp_dir()) {
    // The NT hash of kPassword (MD4 of its UTF-16LE text), as a SAM file
    // keeps it: user, domain, LM hash, NT hash.
    test::write_file(dir_ + "/sam", std::string(kUser) + ":::77ada1d1feb95ee11706fefff000b9ca:::\n");
    xvfb_ = start({"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                  dir_ + "/display", {});
    // Xvfb writes its display number once it accepts clients.
    const std::string display_file = dir_ + "/display";
    test::spin_until([&] { return test::read_file(display_file).find('\n') != std::string::npos; }, 60s, 100ms);
    const std::string number = test::read_file(display_file);
    if (number.find('\n') == std::string::npos) {
      ADD_FAILURE() << "Xvfb did not start";
      return;
    }
    // The server now and then fails to open a display that has only just
    // started; it then exits at once and is started again.
    for (int attempt = 0; attempt < 5 && !ready_; ++attempt) {
      port_ = free_port();
      server_ = start({"/usr/bin/freerdp-shadow-cli", "/bind-address:127.0.0.1", "/port:" + std::to_string(port_),
                       "/sec:nla", "/sam-file:" + dir_ + "/sam"},
                      dir_ + "/server.log", ":" + number.substr(0, number.find('\n')));
      test::spin_until([&] { return accepts_connections() || !g_subprocess_get_identifier(server_.get()); }, 60s,
                       100ms);
      ready_ = accepts_connections();
    }
    EXPECT_TRUE(ready_) << "freerdp-shadow-cli did not listen\n" << log();
  }
  ~ShadowServer() {
    // Stopped, not killed: Xvfb then removes its lock file and socket, which
    // the next test's server may take over.
    for (GSubprocess* process : {server_.get(), xvfb_.get()}) stop(process);
    for (const char* name : {"sam", "display", "server.log"}) g_unlink((dir_ + "/" + name).c_str());
    g_rmdir(dir_.c_str());
  }

  bool ready() const { return ready_; }
  guint16 port() const { return port_; }
  std::string log() const { return test::read_file(dir_ + "/server.log"); }

 private:
  bool accepts_connections() const {
    auto client = take_ref(g_socket_client_new());
    auto connection =
        take_ref(g_socket_client_connect_to_host(client.get(), "127.0.0.1", port_, nullptr, nullptr));
    return connection != nullptr;
  }

  std::string dir_;
  RefPtr<GSubprocess> xvfb_;
  RefPtr<GSubprocess> server_;
  guint16 port_ = 0;
  bool ready_ = false;
};

// FreeRDP's window, named by the title the client gives it, exists on the
// test's display: it opens only once the session has been accepted.
bool session_window_shown() {
  const char* argv[] = {"/usr/bin/xdotool", "search", "--name", "^KESTA Remote Desktop$", nullptr};
  gint status = -1;
  return g_spawn_sync(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_STDOUT_TO_DEV_NULL, nullptr, nullptr,
                      nullptr, nullptr, &status, nullptr) &&
         g_spawn_check_wait_status(status, nullptr);
}

RdpSettings shadow_session(guint16 port, const char* password) {
  RdpSettings s;
  s.program = kXfreerdp;
  s.address = "127.0.0.1";
  s.port = port;
  s.account_user = ShadowServer::kUser;
  s.account_password = password;
  return s;
}

class RealServer : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* program :
         {kXfreerdp, "/usr/bin/freerdp-shadow-cli", "/usr/bin/Xvfb", "/usr/bin/xdotool"})
      if (!g_file_test(program, G_FILE_TEST_IS_EXECUTABLE))
        GTEST_SKIP() << program << " is missing: install freerdp2-x11, freerdp2-shadow-x11, xvfb and xdotool "
                     << "(scripts/test does) to sign in to a real RDP server";
  }
};

TEST_F(RealServer, FreeRdpSignsInWithThePasswordFromItsStandardInput) {
  ShadowServer server;
  ASSERT_TRUE(server.ready());
  bool shown = false;
  const Outcome o = run_freerdp(shadow_session(server.port(), ShadowServer::kPassword), 120,
                                [&shown](const std::string&) { return shown = session_window_shown(); });
  EXPECT_TRUE(shown) << "no session window\n" << o.output << "\nserver:\n" << server.log();
  EXPECT_FALSE(o.exited) << "the session was running until stopped\n" << o.output;
}

TEST_F(RealServer, FreeRdpIsRefusedWithAWrongPassword) {
  ShadowServer server;
  ASSERT_TRUE(server.ready());
  bool shown = false;
  const Outcome o = run_freerdp(shadow_session(server.port(), "wrong pw 1"), 120,
                                [&shown](const std::string&) { return shown = shown || session_window_shown(); });
  EXPECT_FALSE(shown) << o.output;
  EXPECT_TRUE(o.exited) << "FreeRDP gives up by itself\n" << o.output;
  EXPECT_NE(o.status, 0) << o.output;
  test::spin_until([&] { return contains(server.log(), "authentication failure"); }, 30s, 100ms);
  EXPECT_TRUE(contains(server.log(), "authentication failure")) << server.log();
}

// The client's own start of FreeRDP, watched until it ends, and what it
// then tells the user.
std::optional<std::string> client_failure(const RdpSettings& s) {
  const std::optional<std::string> input = rdp_standard_input(s);
  EXPECT_TRUE(input);
  const LaunchResult started = start_viewer(rdp_arguments(s), "RDP客户端", input.value_or(""));
  EXPECT_TRUE(started.started) << started.message;
  std::optional<ViewerEnd> end;
  when_viewer_ends(started.pid, [&end](const ViewerEnd& e) { end = e; });
  EXPECT_TRUE(test::spin_until([&] { return end.has_value(); }, 120s)) << "FreeRDP gives up by itself";
  if (!end) {
    end_viewer(started.pid);
    test::spin_until([&] { return end.has_value(); }, 30s);
    return std::nullopt;
  }
  return session_failure(true, s.address, *end);
}

TEST_F(RealServer, AWrongPasswordAndAClosedPortAreExplained) {
  ShadowServer server;
  ASSERT_TRUE(server.ready());
  // freerdp-shadow-cli drops the connection when NLA fails, without the
  // logon error a Windows host sends, and FreeRDP 2 then exits with
  // CONNECT_TRANSPORT_FAILED: the user reads that the VM could not be
  // reached; a host that reports the logon failure gets the password
  // message.
  const std::optional<std::string> refused = client_failure(shadow_session(server.port(), "wrong pw 1"));
  EXPECT_TRUE(refused == "用户名或密码错误" || refused == "无法连接到虚拟机 127.0.0.1")
      << refused.value_or("(nothing shown)") << "\n" << server.log();
  EXPECT_EQ(client_failure(shadow_session(1, ShadowServer::kPassword)), "无法连接到虚拟机 127.0.0.1");
}

// remote-viewer reports a failed connection in a dialog and waits there; its
// --debug output shows what it did with its connection file.
constexpr char kTriedToConnect[] = "failed to connect Could not connect to 127.0.0.1: Connection refused";

// remote-viewer with the arguments the launcher gives it, on file ("-": the
// input), until enough(output) holds.
Outcome run_remote_viewer(const std::string& file, const std::string& input = "",
                          const std::function<bool(const std::string&)>& enough = nullptr,
                          const std::optional<ResourceFlags>& resource = std::nullopt) {
  Argv argv = spice_arguments(kRemoteViewer, file, resource, g_get_home_dir());
  argv.emplace_back("--debug");
  return run(argv, 120, enough ? enough : [](const std::string& output) {
    return contains(output, kTriedToConnect) || contains(output, "Invalid file");
  }, input);
}

// Hostile but valid values: a certificate of several lines, a password with
// a line break, a backslash and what looks like a key.
SpiceInfo hostile_spice_info() {
  JsonObjectPtr info = parse_object(
      R"({"host":"127.0.0.1","tls-port":1,"password":"p\\w\n[x]\nhost=10.9.9.9","title":" vm\r\n",)"
      R"("ca":"-----BEGIN CERTIFICATE-----\nMIIB\n-----END CERTIFICATE-----\n",)"
      R"("release-cursor":"shift+f12","secure-attention":"ctrl+alt+end","toggle-fullscreen":"shift+f11"})");
  EXPECT_TRUE(info);
  return read_spice_info(info.get());
}

TEST_F(RealViewer, RemoteViewerReadsTheConnectionTextFromItsStandardInput) {
  require(kRemoteViewer, "virt-viewer");
  ResourceFlags home_shared;
  home_shared.home = true;
  const Outcome o = run_remote_viewer("-", spice_file_text(hostile_spice_info()).value(), nullptr, home_shared);
  EXPECT_TRUE(contains(o.output, kTriedToConnect)) << o.output;
  EXPECT_FALSE(contains(o.output, "Invalid file")) << o.output;
  EXPECT_FALSE(o.exited) << "it waits in its error dialog until stopped\n" << o.output;
}

TEST_F(RealViewer, RemoteViewerDeletesAFileTheClientWrote) {
  require(kRemoteViewer, "virt-viewer");
  const std::string id = "kesta-test-" + std::to_string(getpid()) + "-viewer";
  const SpiceInfo spice = hostile_spice_info();
  const std::optional<std::string> file = write_spice_file(id.c_str(), &spice);
  ASSERT_TRUE(file);
  const Outcome o = run_remote_viewer(*file);
  const bool deleted = !g_file_test(file->c_str(), G_FILE_TEST_EXISTS);
  g_unlink(file->c_str());
  EXPECT_TRUE(contains(o.output, kTriedToConnect)) << o.output;
  EXPECT_TRUE(deleted) << "the file with the password is gone once the viewer has read it";
}

TEST_F(RealViewer, RemoteViewerWouldSayWhenItCannotReadAFile) {
  require(kRemoteViewer, "virt-viewer");
  // The check above would see this: the raw line break that an unescaped
  // value would write.
  const std::string dir = test::make_temp_dir();
  const std::string file = dir + "/raw.spice";
  test::write_file(file, "[virt-viewer]\nhost=127.0.0.1\ntls-port=1\npassword=p\nw\ntype=spice\n");
  const Outcome o = run_remote_viewer(file);
  g_unlink(file.c_str());
  g_rmdir(dir.c_str());
  EXPECT_TRUE(contains(o.output, "Invalid file")) << o.output;
  EXPECT_FALSE(contains(o.output, kTriedToConnect)) << o.output;
}

constexpr char kQemu[] = "/usr/bin/qemu-system-x86_64";

// A real SPICE server on 127.0.0.1: QEMU with no disk on a QXL card, in
// software emulation, TLS only with a fresh self-signed certificate as its
// CA, and a ticket.  Its QMP socket tells which channels a client has open.
class SpiceServer {
 public:
  static constexpr char kTicket[] = "se\\cret 1";

  SpiceServer() : dir_(test::make_temp_dir()), identity_(test::make_self_signed_pem()) {
    test::write_file(dir_ + "/ca-cert.pem", identity_.certificate);
    test::write_file(dir_ + "/server-cert.pem", identity_.certificate);
    test::write_file(dir_ + "/server-key.pem", identity_.key);
    test::write_file(dir_ + "/ticket", kTicket);
    port_ = free_port();
    qemu_ = start({kQemu, "-nodefaults", "-machine", "pc,accel=tcg", "-m", "32", "-display", "none", "-vga", "qxl",
                   "-object", "secret,id=ticket,file=" + dir_ + "/ticket", "-spice",
                   "tls-port=" + std::to_string(port_) + ",addr=127.0.0.1,x509-dir=" + dir_ + ",password-secret=ticket",
                   "-qmp", "unix:" + qmp_path() + ",server=on,wait=off"},
                  dir_ + "/qemu.log", "");
    test::spin_until([this] { return open_qmp() || !g_subprocess_get_identifier(qemu_.get()); }, 60s, 100ms);
    EXPECT_TRUE(qmp_) << "QEMU's QMP socket did not open\n" << log();
  }
  ~SpiceServer() {
    qmp_.reset();
    stop(qemu_.get());
    for (const char* name : {"ca-cert.pem", "server-cert.pem", "server-key.pem", "ticket", "qemu.log"})
      g_unlink((dir_ + "/" + name).c_str());
    g_unlink(qmp_path().c_str());
    g_rmdir(dir_.c_str());
  }

  bool ready() const { return qmp_ != nullptr; }
  guint16 port() const { return port_; }
  const std::string& ca() const { return identity_.certificate; }
  // The server's output, and how it ended if it has.
  std::string log() const {
    std::string log = test::read_file(dir_ + "/qemu.log");
    if (qemu_ && !g_subprocess_get_identifier(qemu_.get()))
      log += "\nQEMU ended with wait status " + std::to_string(g_subprocess_get_status(qemu_.get()));
    return log;
  }

  // Channels of clients that got through TLS and the ticket, as QMP's
  // query-spice lists them: "main" (1), "display" (2) and others.
  std::vector<gint64> tls_channels() {
    std::vector<gint64> types;
    JsonObjectPtr reply = ask(R"({"execute":"query-spice"})");
    JsonObject* spice = reply ? json_object_get_object_member(reply.get(), "return") : nullptr;
    JsonArray* channels = spice ? json_object_get_array_member(spice, "channels") : nullptr;
    for (guint i = 0; channels && i < json_array_get_length(channels); ++i) {
      JsonObject* channel = json_array_get_object_element(channels, i);
      if (json_object_get_boolean_member_with_default(channel, "tls", FALSE))
        types.push_back(json_object_get_int_member_with_default(channel, "channel-type", 0));
    }
    return types;
  }

 private:
  std::string qmp_path() const { return dir_ + "/qmp"; }

  bool open_qmp() {
    auto address = take_ref(g_unix_socket_address_new(qmp_path().c_str()));
    auto client = take_ref(g_socket_client_new());
    auto connection = take_ref(g_socket_client_connect(client.get(), G_SOCKET_CONNECTABLE(address.get()), nullptr, nullptr));
    if (!connection) return false;
    g_socket_set_timeout(g_socket_connection_get_socket(connection.get()), 30);
    lines_ = take_ref(g_data_input_stream_new(g_io_stream_get_input_stream(G_IO_STREAM(connection.get()))));
    qmp_ = std::move(connection);
    // The greeting, then the handshake's empty reply.
    if (read_line().empty() || !ask(R"({"execute":"qmp_capabilities"})")) qmp_.reset();
    return qmp_ != nullptr;
  }

  std::string read_line() {
    gsize length = 0;
    const GCharPtr line(g_data_input_stream_read_line(lines_.get(), &length, nullptr, nullptr));
    return line ? std::string(line.get(), length) : std::string();
  }

  // The reply to the command; events that come before it are passed over.
  JsonObjectPtr ask(const std::string& command) {
    if (!qmp_) return nullptr;
    const std::string line = command + "\n";
    GOutputStream* out = g_io_stream_get_output_stream(G_IO_STREAM(qmp_.get()));
    if (!g_output_stream_write_all(out, line.data(), line.size(), nullptr, nullptr, nullptr)) return nullptr;
    for (std::string reply; !(reply = read_line()).empty();) {
      JsonObjectPtr object = parse_object(reply.c_str());
      if (object && json_object_has_member(object.get(), "return")) return object;
    }
    return nullptr;
  }

  std::string dir_;
  test::PemIdentity identity_;
  guint16 port_ = 0;
  RefPtr<GSubprocess> qemu_;
  RefPtr<GSocketConnection> qmp_;
  RefPtr<GDataInputStream> lines_;
};

class RealSpiceServer : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* program : {kRemoteViewer, kQemu})
      if (!g_file_test(program, G_FILE_TEST_IS_EXECUTABLE))
        GTEST_SKIP() << program << " is missing: install virt-viewer and qemu-system-x86 (scripts/test does) "
                     << "to connect to a real SPICE server";
  }
};

std::string replaced(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

TEST_F(RealSpiceServer, RemoteViewerConnectsWithTheCertificateSentEitherWay) {
  auto pairs = [](const std::string& pem) { return replaced(pem, "\n", "\\n"); };
  const std::string ticket_escaped = "se\\\\cret 1";  // the backslash as the service escapes it
  struct Row {
    const char* name;
    std::function<std::string(const std::string&)> ca;  // the value sent for the server's CA
    std::string password;
    const char* failure;  // what remote-viewer says when it is refused; null: it connects
  } rows[] = {
      {"CA with \\n pairs", pairs, ticket_escaped, nullptr},
      {"CA with line breaks", [](const std::string& pem) { return pem; }, SpiceServer::kTicket, nullptr},
      // The checks see these: the backslashes a client doubled, a wrong ticket.
      {"CA with \\\\n pairs", [&](const std::string& pem) { return replaced(pairs(pem), "\\", "\\\\"); },
       ticket_escaped, "Error in server certificate verification"},
      {"wrong ticket", pairs, "se\\\\cret 2", "auth failure"},
  };
  for (const Row& row : rows) {
    // A server of its own for each row: Debian 12's spice-server may crash
    // (a SPICE Worker segfault) when a client is killed while it connects.
    SpiceServer server;
    ASSERT_TRUE(server.ready()) << row.name;
    SpiceInfo info;
    info.host = "127.0.0.1";
    info.tls_port = server.port();
    info.ca = row.ca(server.ca());
    // The certificate's own subject: remote-viewer checks an empty one too,
    // and no certificate has that.
    info.host_subject = "CN=127.0.0.1";
    info.password = row.password;
    info.title = "spice";
    bool connected = false;
    const Outcome o = run_remote_viewer("-", spice_file_text(info).value(), [&](const std::string& output) {
      connected = std::ranges::count(server.tls_channels(), 2) > 0;  // a display channel
      return connected || (row.failure && contains(output, row.failure));
    });
    EXPECT_EQ(connected, row.failure == nullptr) << row.name << "\n" << o.output << "\nserver:\n" << server.log();
    if (row.failure) {
      EXPECT_TRUE(contains(o.output, row.failure)) << row.name << "\n" << o.output;
    }
  }
}

}  // namespace
}  // namespace kesta

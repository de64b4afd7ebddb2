// The real viewer programs accept what the client gives them.  They are
// pointed at closed ports on 127.0.0.1, so each must fail to connect, and
// the way it fails tells whether it understood its input; FreeRDP also signs
// in to a real RDP server on 127.0.0.1 with the password on its standard
// input.
#include <gtest/gtest.h>

#include <gio/gio.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <optional>
#include <string>
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
    for (GSubprocess* process : {server_.get(), xvfb_.get()}) {
      if (!process) continue;
      g_subprocess_send_signal(process, SIGTERM);
      test::spin_until([process] { return !g_subprocess_get_identifier(process); }, 30s);
      g_subprocess_force_exit(process);
      g_subprocess_wait(process, nullptr, nullptr);
    }
    for (const char* name : {"sam", "display", "server.log"}) g_unlink((dir_ + "/" + name).c_str());
    g_rmdir(dir_.c_str());
  }

  bool ready() const { return ready_; }
  guint16 port() const { return port_; }
  std::string log() const { return test::read_file(dir_ + "/server.log"); }

 private:
  static RefPtr<GSubprocess> start(const Argv& argv, const std::string& output, const std::string& display) {
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

  // A port on 127.0.0.1 that nothing listens on just now.
  static guint16 free_port() {
    auto socket = take_ref(g_socket_new(G_SOCKET_FAMILY_IPV4, G_SOCKET_TYPE_STREAM, G_SOCKET_PROTOCOL_TCP, nullptr));
    auto any = take_ref(g_inet_socket_address_new_from_string("127.0.0.1", 0));
    if (!socket || !g_socket_bind(socket.get(), any.get(), FALSE, nullptr)) return 0;
    auto bound = take_ref(g_socket_get_local_address(socket.get(), nullptr));
    return bound ? g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound.get())) : 0;
  }

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
// --debug output shows what it did with the file.
constexpr char kTriedToConnect[] = "failed to connect Could not connect to 127.0.0.1: Connection refused";

Outcome run_remote_viewer(const std::string& file) {
  Argv argv = spice_arguments(kRemoteViewer, file, std::nullopt);
  argv.emplace_back("--debug");
  return run(argv, 30, [](const std::string& output) {
    return contains(output, kTriedToConnect) || contains(output, "Invalid file");
  });
}

TEST_F(RealViewer, RemoteViewerReadsTheConnectionFile) {
  require(kRemoteViewer, "virt-viewer");
  // Hostile but valid values: a certificate of several lines, a password
  // with a line break, a backslash and what looks like a key.
  JsonObjectPtr info = parse_object(
      R"({"host":"127.0.0.1","tls-port":1,"password":"p\\w\n[x]\nhost=10.9.9.9","title":" vm\r\n",)"
      R"("ca":"-----BEGIN CERTIFICATE-----\nMIIB\n-----END CERTIFICATE-----\n",)"
      R"("release-cursor":"shift+f12","secure-attention":"ctrl+alt+end","toggle-fullscreen":"shift+f11"})");
  ASSERT_TRUE(info);
  const std::string id = "kesta-test-" + std::to_string(getpid()) + "-viewer";
  const SpiceInfo spice = read_spice_info(info.get());
  const std::optional<std::string> file = write_spice_file(id.c_str(), &spice);
  ASSERT_TRUE(file);
  const Outcome o = run_remote_viewer(*file);
  g_unlink(file->c_str());
  EXPECT_TRUE(contains(o.output, kTriedToConnect)) << o.output;
  EXPECT_FALSE(contains(o.output, "Invalid file")) << o.output;
  EXPECT_FALSE(o.exited) << "it waits in its error dialog until stopped\n" << o.output;
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

}  // namespace
}  // namespace kesta

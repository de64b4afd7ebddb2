// The real viewer programs accept what the client gives them.  They are
// pointed at closed ports on 127.0.0.1 only, so each must fail to connect,
// and the way it fails tells whether it understood its input.
#include <gtest/gtest.h>

#include <gio/gio.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "app/ptr.h"
#include "launch/json_member.h"
#include "launch/rdp_command.h"
#include "launch/spice_command.h"
#include "launch/spice_file.h"
#include "support/dialog_recorder.h"
#include "support/temp_home.h"

namespace kesta {
namespace {

using Argv = std::vector<std::string>;

constexpr char kXfreerdp[] = "/usr/bin/xfreerdp";
constexpr char kRemoteViewer[] = "/usr/bin/remote-viewer";

struct Outcome {
  bool exited = false;  // by itself, before the deadline
  int status = -1;      // its exit status when it exited
  std::string output;   // standard output and error
};

// Runs argv with its output in a file until it exits, until enough(output)
// holds, or for at most `seconds`; then stops it for good.
Outcome run(const Argv& argv, unsigned seconds, const std::function<bool(const std::string&)>& enough) {
  const std::string dir = test::make_temp_dir();
  const std::string log = dir + "/output";
  auto launcher = take_ref(g_subprocess_launcher_new(G_SUBPROCESS_FLAGS_STDERR_MERGE));
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
  bool finished = false;
  g_subprocess_wait_async(
      process.get(), nullptr,
      [](GObject*, GAsyncResult*, gpointer done) noexcept { *static_cast<bool*>(done) = true; }, &finished);
  for (unsigned i = 0; i < seconds * 10 && !finished; ++i) {
    test::spin_main_loop(100);
    if (enough && enough(test::read_file(log))) break;
  }
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
  expect_connect_failure(run(rdp_arguments(everything_on()), 60, nullptr),
                         "everything with a public gateway");

  RdpSettings ad_gateway = everything_on();
  ad_gateway.gateway->type = "ad";
  expect_connect_failure(run(rdp_arguments(ad_gateway), 60, nullptr), "an AD gateway");

  // Without a gateway the connection fails at the target; each decoder.
  for (const char* decode : {"444", "420", "400"}) {
    RdpSettings s = everything_on();
    s.gateway.reset();
    s.display.decode = decode;
    s.display.network.reset();
    expect_connect_failure(run(rdp_arguments(s), 60, nullptr), std::string("decode ") + decode);
  }
}

TEST_F(RealViewer, FreeRdpRejectsAnUnknownOptionDifferently) {
  require(kXfreerdp, "freerdp2-x11");
  // The check above would see this: a usage text, no connection attempt.
  Argv argv = rdp_arguments(everything_on());
  argv.insert(argv.begin() + 2, "/no-such-option:1");
  const Outcome o = run(argv, 60, nullptr);
  EXPECT_TRUE(o.exited);
  EXPECT_TRUE(o.status > 0 && o.status < 128) << o.status;
  EXPECT_FALSE(contains(o.output, "ERRCONNECT_")) << o.output;
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
  JsonObjectPtr info = json::parse_object(
      R"({"host":"127.0.0.1","tls-port":1,"password":"p\\w\n[x]\nhost=10.9.9.9","title":" vm\r\n",)"
      R"("ca":"-----BEGIN CERTIFICATE-----\nMIIB\n-----END CERTIFICATE-----\n",)"
      R"("release-cursor":"shift+f12","secure-attention":"ctrl+alt+end","toggle-fullscreen":"shift+f11"})");
  ASSERT_TRUE(info);
  const std::string id = "kesta-test-" + std::to_string(getpid()) + "-viewer";
  const std::optional<std::string> file = write_spice_file(id.c_str(), info.get());
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

// Choosing the viewer, and the whole way from dispatch_connection to a
// started program: the viewer paths point at stand-in programs that record
// their arguments, so no real viewer ever runs here.
#include <fcntl.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "api/vm_config.h"
#include "base/cipher.h"
#include "base/config.h"
#include "base/fixed_text.h"
#include "base/json_read.h"
#include "base/ptr.h"
#include "launch/dispatch.h"
#include "launch/spawn.h"
#include "launch/spice_file.h"
#include "launch/viewer.h"
#include "support/dialog_recorder.h"
#include "support/spin.h"
#include "support/temp_home.h"

namespace kesta {
namespace {

using Argv = std::vector<std::string>;

TEST(ViewerChoice, ByConnectionType) {
  struct Row {
    const char* type;
    const char* protocol;
    std::optional<Viewer> viewer;
  } rows[] = {
      {"freerdp2", "spice", Viewer::Rdp},
      {"freerdp3", "blast", Viewer::Rdp},
      {"blast", "spice", Viewer::Horizon},
      {"pcoip", "freerdp", Viewer::Horizon},
      {"spice", "blast", Viewer::Spice},
      {"all", "spice", Viewer::Spice},
      {"all", "blast", Viewer::Horizon},
      {"all", "freerdp", Viewer::Rdp},
      {"all", "pcoip", Viewer::Rdp},
      {"all", "", Viewer::Rdp},
      {"all", "SPICE", Viewer::Rdp},
      {"freerdp", "freerdp", std::nullopt},
      {"SPICE", "spice", std::nullopt},
      {"Blast", "blast", std::nullopt},
      {"ALL", "spice", std::nullopt},
      {"", "spice", std::nullopt},
      {"vnc", "spice", std::nullopt},
      {" spice", "spice", std::nullopt},
  };
  for (const Row& row : rows)
    EXPECT_EQ(choose_viewer(row.type, row.protocol), row.viewer) << row.type << " / " << row.protocol;
}

TEST(SpawnViewer, NeedsAProgramPath) {
  Error error;
  EXPECT_FALSE(spawn_viewer({}, "test", error));
  EXPECT_TRUE(error);
  // No search of PATH: a bare name is not found (and no shell runs it).
  EXPECT_FALSE(spawn_viewer({"true"}, "test", error));
  EXPECT_TRUE(error);
  EXPECT_FALSE(spawn_viewer({"/bin/true; touch /tmp/kesta-pwned"}, "test", error));
  EXPECT_FALSE(g_file_test("/tmp/kesta-pwned", G_FILE_TEST_EXISTS));
}

TEST(SpawnViewer, InputLargerThanAPipeIsRefusedAtOnce) {
  // Written before the program starts and never waited on: a text the pipe
  // cannot take whole fails instead of blocking the window.
  Error error;
  const gint64 start = g_get_monotonic_time();
  EXPECT_FALSE(spawn_viewer({"/bin/true"}, "test", error, std::string(4 * 1024 * 1024, 'x')));
  EXPECT_TRUE(error);
  EXPECT_LT(g_get_monotonic_time() - start, 10 * G_USEC_PER_SEC);
}

TEST(FilledPipe, TakesWhatThePipeHoldsAndNoMore) {
  // A new pipe holds 16 pages here; the write end is closed, so the text is
  // followed by end of file.
  for (const std::size_t size : {std::size_t{1}, std::size_t{65536}}) {
    Error error;
    const UniqueFd pipe = filled_pipe(std::string(size, 'x'), error);
    ASSERT_GE(pipe.get(), 0) << size << ": " << error.message_or("");
    EXPECT_EQ(fcntl(pipe.get(), F_GETPIPE_SZ), 65536);
    std::string read_back(size + 1, '\0');
    EXPECT_EQ(read(pipe.get(), read_back.data(), read_back.size()), static_cast<ssize_t>(size));
    EXPECT_EQ(read(pipe.get(), read_back.data(), read_back.size()), 0) << "end of file";
  }
  Error error;
  EXPECT_LT(filled_pipe(std::string(65537, 'x'), error).get(), 0);
  EXPECT_FALSE(error.get()) << "too long is no failure of the pipe";
}

// Records its standard input, then its program path and arguments,
// NUL-separated, next to itself, and exits.  The argument record appears
// whole, by rename, and last.
constexpr char kStandIn[] =
    "#!/bin/sh\n"
    "cat > \"$0.stdin\" &&\n"
    "printf '%s\\0' \"$0\" \"$@\" > \"$0.argv.tmp\" && mv \"$0.argv.tmp\" \"$0.argv\"\n";

class Dispatch : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = test::make_temp_dir();
    ASSERT_FALSE(dir_.empty());
    viewer_paths = ViewerPaths{dir_ + "/remote-viewer", dir_ + "/xfreerdp3", dir_ + "/xfreerdp",
                               dir_ + "/vmware-view"};
    for (const std::string* program : {&viewer_paths.remote_viewer, &viewer_paths.xfreerdp3,
                                       &viewer_paths.xfreerdp, &viewer_paths.vmware_view})
      install(*program, kStandIn, 0700);
    apply_config_defaults(app_config);
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    vm_id_ = "kesta-test-" + std::to_string(getpid()) + "-vm";
    g_print_handler_ = g_set_print_handler(record_print);
    printed().clear();
  }
  void TearDown() override {
    g_set_print_handler(g_print_handler_);
    gtk_widget_destroy(window_);
    viewer_paths = ViewerPaths{};
    apply_config_defaults(app_config);
    g_unlink(("/tmp/" + vm_id_ + ".spice").c_str());
    // The directory holds only what the test put there.
    GDir* dir = g_dir_open(dir_.c_str(), 0, nullptr);
    for (const char* name; dir && (name = g_dir_read_name(dir));) g_unlink((dir_ + "/" + name).c_str());
    if (dir) g_dir_close(dir);
    g_rmdir(dir_.c_str());
  }

  static std::string& printed() {
    static std::string text;
    return text;
  }
  static void record_print(const char* text) noexcept { printed() += text; }

  void install(const std::string& path, const char* text, int mode) {
    test::write_file(path, text);
    ASSERT_EQ(g_chmod(path.c_str(), mode), 0);
  }

  // The VM id and SPICE reply data that the configuration request hands on.
  void leave_vm_data(const char* id, const char* data_json) {
    if (id) vm_id_given_ = id;
    if (data_json) {
      JsonObjectPtr data = parse_object(data_json);
      ASSERT_TRUE(data);
      vm_data_given_ = read_vm_config(data.get());
    }
  }
  void forget_vm_data() {
    vm_id_given_.reset();
    vm_data_given_.reset();
  }

  void dispatch(const char* type, const char* pool_json, const char* password = "pw") {
    JsonObjectPtr pool = parse_object(pool_json);
    ASSERT_TRUE(pool) << pool_json;
    dispatch_connection(type, "127.0.0.1", "alice", password, GTK_WINDOW(window_), read_pool_settings(pool.get()),
                        vm_id_given_ ? vm_id_given_->c_str() : nullptr, vm_data_given_ ? &*vm_data_given_ : nullptr);
  }

  // The arguments the stand-in at program was started with; empty when it
  // was not started within a few seconds.
  Argv recorded(const std::string& program) {
    const std::string record = program + ".argv";
    test::spin_until([&] { return g_file_test(record.c_str(), G_FILE_TEST_EXISTS); });
    const std::string text = test::read_file(record);
    g_unlink(record.c_str());
    Argv argv;
    for (std::size_t start = 0, end; (end = text.find('\0', start)) != std::string::npos; start = end + 1)
      argv.push_back(text.substr(start, end - start));
    return argv;
  }

  // What the stand-in at program read from its standard input, once
  // recorded() has seen it finish.
  std::string recorded_input(const std::string& program) {
    const std::string record = program + ".stdin";
    const std::string text = test::read_file(record);
    g_unlink(record.c_str());
    return text;
  }

  // No stand-in wrote a record after the dispatch.
  bool nothing_started() {
    // Time for a stand-in to start and write, were one started.
    test::spin_for(std::chrono::milliseconds(200));
    for (const std::string* program : {&viewer_paths.remote_viewer, &viewer_paths.xfreerdp3,
                                       &viewer_paths.xfreerdp, &viewer_paths.vmware_view})
      if (g_file_test((*program + ".argv").c_str(), G_FILE_TEST_EXISTS)) return false;
    return true;
  }

  std::string dir_;
  GtkWidget* window_ = nullptr;
  std::string vm_id_;
  std::optional<std::string> vm_id_given_;
  std::optional<VmConfig> vm_data_given_;
  GPrintFunc g_print_handler_ = nullptr;
};

const Argv kRdpTail = {"+auto-reconnect", "/auto-reconnect-max-retries:3", "/cert-ignore",
                       "/t:KESTA Remote Desktop", "/dynamic-resolution", "+multitouch", "/gdi:hw",
                       "+gestures", "/compression-level:2", "/codec-cache:rfx", "+gfx-progressive",
                       "+bitmap-cache"};

Argv operator+(Argv a, const Argv& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(Dispatch, RdpStartsFreeRdpWithTheBuiltArguments) {
  test::DialogRecorder recorder;
  dispatch("freerdp2", R"({"connecttype":"freerdp2","accounttype":"ad"})", "");
  EXPECT_EQ(recorded(viewer_paths.xfreerdp),
            Argv({viewer_paths.xfreerdp, "/v:127.0.0.1", "/from-stdin:force", "/u:alice", "/f", "/network:auto"}) +
                kRdpTail);
  EXPECT_EQ(recorded_input(viewer_paths.xfreerdp), "\n");
  EXPECT_TRUE(recorder.dialogs().empty()) << "a successful launch shows nothing";
  EXPECT_NE(printed().find("连接类型: freerdp2, IP: 127.0.0.1\n"), std::string::npos) << printed();
}

TEST_F(Dispatch, Freerdp3StartsTheNewerProgram) {
  test::DialogRecorder recorder;
  dispatch("freerdp3", R"({"connecttype":"freerdp3","accounttype":"none"})");
  EXPECT_EQ(recorded(viewer_paths.xfreerdp3),
            Argv({viewer_paths.xfreerdp3, "/v:127.0.0.1", "/from-stdin:force", "/u:alice", "/f", "/network:auto"}) +
                kRdpTail);
  EXPECT_EQ(recorded_input(viewer_paths.xfreerdp3), "pw\n");
  EXPECT_TRUE(recorder.dialogs().empty());
}

TEST_F(Dispatch, FreeRdpReadsThePasswordsFromItsStandardInput) {
  const std::string account = encrypt_password("pool secret").get();
  const std::string gateway = encrypt_password("gw secret").get();
  struct Row {
    std::string pool;
    std::string password;
    std::string input;
  } rows[] = {
      {R"({"connecttype":"freerdp2","accounttype":"ad"})", "x /drive:all,/ \"q\" 'r'", "x /drive:all,/ \"q\" 'r'\n"},
      {R"({"connecttype":"freerdp2","accounttype":"all","accountUser":"u","accountPassword":")" + account +
           R"(","usegw":true,"gw":{"gwtype":"public","gwaddr":"g","gwuser":"gu","gwpassword":")" + gateway + "\"}}",
       "pw", "pool secret\ngw secret\n"},
  };
  for (const Row& row : rows) {
    test::DialogRecorder recorder;
    dispatch("freerdp2", row.pool.c_str(), row.password.c_str());
    const Argv argv = recorded(viewer_paths.xfreerdp);
    EXPECT_EQ(recorded_input(viewer_paths.xfreerdp), row.input) << row.pool;
    ASSERT_GE(argv.size(), 3u) << row.pool;
    EXPECT_EQ(argv[2], "/from-stdin:force");
    for (const std::string& argument : argv) {
      EXPECT_FALSE(argument.starts_with("/p:") || argument.starts_with("/gp:")) << argument;
      EXPECT_EQ(argument.find("secret"), std::string::npos) << argument;
    }
    EXPECT_TRUE(recorder.dialogs().empty()) << row.pool;
  }
}

TEST_F(Dispatch, APasswordOfSeveralLinesStartsNothing) {
  test::DialogRecorder recorder;
  dispatch("freerdp2", R"({"connecttype":"freerdp2","accounttype":"ad"})", "first\nsecond");
  EXPECT_TRUE(nothing_started());
  ASSERT_EQ(recorder.dialogs().size(), 1u);
  EXPECT_EQ(recorder.dialogs()[0].title, "连接失败");
  EXPECT_EQ(recorder.dialogs()[0].message, "启动RDP客户端失败: 密码含有换行符或空字符，无法交给FreeRDP");
}

TEST_F(Dispatch, HorizonForBlastAndPcoip) {
  test::DialogRecorder recorder;
  for (const char* type : {"blast", "pcoip"}) {
    dispatch(type, (std::string(R"({"connecttype":")") + type + "\"}").c_str());
    const Argv argv = recorded(viewer_paths.vmware_view);
    ASSERT_EQ(argv.size(), 13u) << type;
    EXPECT_EQ(argv[0], viewer_paths.vmware_view);
    EXPECT_EQ(argv[1], std::string("--protocol=") + type);
    EXPECT_EQ(argv[2], "--serverURL=127.0.0.1");
    EXPECT_EQ(argv[5], "--userName=alice");
    EXPECT_EQ(argv[6], "--password=pw");
    EXPECT_EQ(argv[10], "--hideClientAfterLaunchSession=TRUE");
  }
  EXPECT_TRUE(recorder.dialogs().empty());
}

// Files under the temporary folder (and one level below) that hold text;
// a connection file is far smaller than the files passed over.
std::vector<std::string> temp_files_holding(const std::string& text) {
  std::vector<std::string> found;
  std::vector<std::string> dirs{g_get_tmp_dir()};
  for (std::size_t i = 0; i < dirs.size(); ++i) {
    GDir* dir = g_dir_open(dirs[i].c_str(), 0, nullptr);
    for (const char* name; dir && (name = g_dir_read_name(dir));) {
      const std::string path = dirs[i] + "/" + name;
      if (i == 0 && g_file_test(path.c_str(), G_FILE_TEST_IS_DIR)) dirs.push_back(path);
      GStatBuf status;
      gchar* contents = nullptr;
      gsize size = 0;
      if (g_lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && status.st_size < 1024 * 1024 &&
          g_file_get_contents(path.c_str(), &contents, &size, nullptr) &&
          std::string_view(contents, size).find(text) != std::string_view::npos)
        found.push_back(path);
      g_free(contents);
    }
    if (dir) g_dir_close(dir);
  }
  return found;
}

// "spriceInfo" whose text is too long for a pipe.
std::string long_spice_data(const std::string& password) {
  return R"({"spriceInfo":{"host":"127.0.0.1","password":")" + password + R"(","ca":")" +
         std::string(70000, 'A') + "\"}}";
}

TEST_F(Dispatch, SpiceHandsTheViewerItsTextOnStandardInput) {
  test::DialogRecorder recorder;
  const std::string password = "pw-" + vm_id_;
  const std::string data = R"({"spriceInfo":{"host":"127.0.0.1","tls-port":1,"password":")" + password +
                           R"(","ca":"-----BEGIN CERTIFICATE-----\\nMIIB\\n-----END CERTIFICATE-----\\n"}})";
  leave_vm_data(vm_id_.c_str(), data.c_str());
  dispatch("spice", R"({"connecttype":"spice","resource":"{\"usbs\":false,\"home\":true}"})");
  EXPECT_EQ(recorded(viewer_paths.remote_viewer),
            Argv({viewer_paths.remote_viewer, "-f", "-", "--spice-disable-usbredir",
                  std::string("--spice-shared-dir=") + g_get_home_dir()}));
  JsonObjectPtr sent = parse_object(data.c_str());
  const SpiceInfo info = read_spice_info(json_object_get_object_member(sent.get(), "spriceInfo"));
  const std::string input = recorded_input(viewer_paths.remote_viewer);
  EXPECT_EQ(input, spice_file_text(info));
  EXPECT_NE(input.find("\nca=-----BEGIN CERTIFICATE-----\\nMIIB\\n"), std::string::npos) << input;
  EXPECT_TRUE(recorder.dialogs().empty());
  EXPECT_EQ(temp_files_holding(password), std::vector<std::string>{}) << "the password rests on no disk";
}

TEST_F(Dispatch, ATextTooLongForAPipeGoesToAFileTheViewerDeletes) {
  test::DialogRecorder recorder;
  leave_vm_data(vm_id_.c_str(), long_spice_data("s").c_str());
  dispatch("spice", R"({"connecttype":"spice"})");
  const std::string file = "/tmp/" + vm_id_ + ".spice";
  EXPECT_EQ(recorded(viewer_paths.remote_viewer), Argv({viewer_paths.remote_viewer, "-f", file}));
  EXPECT_EQ(recorded_input(viewer_paths.remote_viewer), "");
  const std::string text = test::read_file(file);
  EXPECT_GT(text.size(), 65536u);
  for (const char* line : {"\nhost=127.0.0.1\n", "\npassword=s\n", "\ndelete-this-file=1\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  EXPECT_TRUE(recorder.dialogs().empty());
}

// Creates path as the user nobody; false when neither setpriv nor runuser
// can switch to that user.
bool plant_as_nobody(const std::string& path) {
  const Argv ways[] = {
      {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"},
      {"/usr/sbin/runuser", "-u", "nobody", "--"},
  };
  for (Argv argv : ways) {
    argv.insert(argv.end(), {"/bin/sh", "-c", "echo theirs >\"$0\"", path});
    std::vector<char*> pointers;
    for (std::string& argument : argv) pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    gint status = -1;
    struct stat planted;
    if (g_spawn_sync(nullptr, pointers.data(), nullptr, G_SPAWN_STDERR_TO_DEV_NULL, nullptr, nullptr, nullptr,
                     nullptr, &status, nullptr) &&
        g_spawn_check_wait_status(status, nullptr) && lstat(path.c_str(), &planted) == 0 && planted.st_uid == 65534)
      return true;
  }
  return false;
}

TEST_F(Dispatch, SpiceGoesAroundAFileNameAnotherUserPlanted) {
  const std::string planted = "/tmp/" + vm_id_ + ".spice";
  if (!plant_as_nobody(planted))
    GTEST_SKIP() << "neither setpriv nor runuser can make a file as nobody (the test needs root)";
  const std::string runtime = test::make_temp_dir();  // 0700, ours
  const std::string open_dir = test::make_temp_dir();
  ASSERT_EQ(g_chmod(open_dir.c_str(), 0755), 0);
  const char* const saved = g_getenv("XDG_RUNTIME_DIR");
  const std::string saved_runtime = saved ? saved : "";
  struct Row {
    std::optional<std::string> runtime_dir;
    bool used;  // the file goes there, not to a new directory
  } rows[] = {
      {runtime, true},
      {std::nullopt, false},
      {open_dir, false},
  };
  leave_vm_data(vm_id_.c_str(), long_spice_data("s").c_str());
  for (const Row& row : rows) {
    if (row.runtime_dir)
      g_setenv("XDG_RUNTIME_DIR", row.runtime_dir->c_str(), TRUE);
    else
      g_unsetenv("XDG_RUNTIME_DIR");
    test::DialogRecorder recorder;
    dispatch("spice", R"({"connecttype":"spice"})");
    const Argv argv = recorded(viewer_paths.remote_viewer);
    ASSERT_EQ(argv.size(), 3u) << row.runtime_dir.value_or("unset");
    const std::string& file = argv[2];
    const GCharPtr dir(g_path_get_dirname(file.c_str()));
    if (row.used)
      EXPECT_EQ(file, runtime + "/" + vm_id_ + ".spice");
    else
      EXPECT_EQ(file, std::string(dir.get()) + "/" + vm_id_ + ".spice");
    // A new directory only its owner enters.
    struct stat dir_status;
    ASSERT_EQ(stat(dir.get(), &dir_status), 0);
    EXPECT_EQ(dir_status.st_mode & 07777, 0700u);
    EXPECT_EQ(dir_status.st_uid, geteuid());
    EXPECT_TRUE(row.used || g_str_has_prefix(file.c_str(), (std::string(g_get_tmp_dir()) + "/kesta-spice-").c_str()))
        << file;
    EXPECT_NE(test::read_file(file).find("\npassword=s\n"), std::string::npos);
    EXPECT_TRUE(recorder.dialogs().empty());
    g_unlink(file.c_str());
    if (!row.used) g_rmdir(dir.get());
  }
  if (saved)
    g_setenv("XDG_RUNTIME_DIR", saved_runtime.c_str(), TRUE);
  else
    g_unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(test::read_file(planted), "theirs\n") << "the planted file is left alone";
  g_rmdir(runtime.c_str());
  g_rmdir(open_dir.c_str());
}

TEST_F(Dispatch, AllFollowsTheDefaultProtocolAndPassesItsOwnType) {
  test::DialogRecorder recorder;
  leave_vm_data(vm_id_.c_str(), R"({"spriceInfo":{}})");
  struct Row {
    const char* protocol;
    const std::string& program;
  } rows[] = {{"spice", viewer_paths.remote_viewer}, {"blast", viewer_paths.vmware_view},
              {"freerdp", viewer_paths.xfreerdp},    {"pcoip", viewer_paths.xfreerdp},
              {"", viewer_paths.xfreerdp}};
  for (const Row& row : rows) {
    copy_fixed(app_config.protocol, row.protocol);
    dispatch("all", R"({"connecttype":"all"})");
    const Argv argv = recorded(row.program);
    ASSERT_FALSE(argv.empty()) << row.protocol;
    if (row.program == viewer_paths.vmware_view) {
      EXPECT_EQ(argv[1], "--protocol=all");
    }
  }
  EXPECT_TRUE(recorder.dialogs().empty());
}

TEST_F(Dispatch, UnsupportedTypesShowOneDialog) {
  for (const char* type : {"freerdp", "SPICE", "", "vnc"}) {
    test::DialogRecorder recorder;
    dispatch(type, R"({})");
    ASSERT_EQ(recorder.dialogs().size(), 1u) << type;
    EXPECT_EQ(recorder.dialogs()[0].title, "连接失败");
    EXPECT_EQ(recorder.dialogs()[0].message, std::string("不支持的连接类型: ") + type);
    EXPECT_TRUE(nothing_started()) << type;
  }
}

TEST_F(Dispatch, TheDialogStandsOverTheDesktopWindow) {
  test::DialogRecorder recorder;
  GtkWindow* parent = nullptr;
  recorder.inspect_with(
      [&](GtkDialog* dialog) { parent = gtk_window_get_transient_for(GTK_WINDOW(dialog)); });
  dispatch("freerdp", "{}");
  EXPECT_EQ(parent, GTK_WINDOW(window_));
}

TEST_F(Dispatch, AVeryLongTypeGivesAMessageOfAtMost511BytesOfWholeCharacters) {
  test::DialogRecorder recorder;
  std::string type;
  for (int i = 0; i < 400; ++i) type += "类";
  dispatch(type.c_str(), "{}");
  ASSERT_EQ(recorder.dialogs().size(), 1u);
  const std::string& message = recorder.dialogs()[0].message;
  EXPECT_LE(message.size(), 511u);
  EXPECT_GE(message.size(), 509u);
  EXPECT_TRUE(g_utf8_validate(message.c_str(), -1, nullptr));
}

TEST_F(Dispatch, MissingProgramsAreNamed) {
  struct Row {
    const char* type;
    std::string* program;
    const char* message;
  } rows[] = {
      {"spice", &viewer_paths.remote_viewer, "未找到SPICE客户端，请确认已安装: "},
      {"freerdp2", &viewer_paths.xfreerdp, "未找到FreeRDP客户端，请确认已安装: "},
      {"freerdp3", &viewer_paths.xfreerdp3, "未找到FreeRDP客户端，请确认已安装: "},
      {"pcoip", &viewer_paths.vmware_view, "未找到VMware Horizon客户端，请确认已安装: "},
  };
  // The program is looked for first: the SPICE reply has no "spriceInfo".
  for (const Row& row : rows) {
    *row.program = dir_ + "/not-installed";
    test::DialogRecorder recorder;
    dispatch(row.type, (std::string(R"({"connecttype":")") + row.type + "\"}").c_str());
    ASSERT_EQ(recorder.dialogs().size(), 1u) << row.type;
    EXPECT_EQ(recorder.dialogs()[0].title, "连接失败");
    EXPECT_EQ(recorder.dialogs()[0].message, row.message + *row.program);
  }
}

TEST_F(Dispatch, ProgramsThatCannotBeStartedAreReported) {
  leave_vm_data(vm_id_.c_str(), long_spice_data("pw-" + vm_id_).c_str());
  struct Row {
    const char* type;
    std::string* program;
    const char* message;
  } rows[] = {{"spice", &viewer_paths.remote_viewer, "启动SPICE客户端失败: "},
              {"freerdp2", &viewer_paths.xfreerdp, "启动RDP客户端失败: "},
              {"blast", &viewer_paths.vmware_view, "启动Blast客户端失败: "},
              {"pcoip", &viewer_paths.vmware_view, "启动Blast客户端失败: "}};
  for (const Row& row : rows) {
    install(*row.program, kStandIn, 0600);
    test::DialogRecorder recorder;
    dispatch(row.type, (std::string(R"({"connecttype":")") + row.type + "\"}").c_str());
    ASSERT_EQ(recorder.dialogs().size(), 1u) << row.type;
    const std::string& message = recorder.dialogs()[0].message;
    EXPECT_EQ(message.rfind(row.message, 0), 0u) << message;
    EXPECT_GT(message.size(), std::string(row.message).size()) << "the spawn error follows";
  }
  // No file is left for a viewer that did not start to delete.
  EXPECT_EQ(temp_files_holding("pw-" + vm_id_), std::vector<std::string>{});
}

TEST_F(Dispatch, SpiceNeedsTheIdAndTheConnectionInfo) {
  const std::string long_data = long_spice_data("s");
  struct Row {
    const char* id;
    const char* data;
    const char* message;
  } rows[] = {
      {nullptr, R"({"spriceInfo":{}})", "无法获取虚拟机ID"},
      {nullptr, nullptr, "无法获取虚拟机ID"},
      {"x", nullptr, "服务器没有提供SPICE连接信息"},
      {"x", R"({})", "服务器没有提供SPICE连接信息"},
      {"x", R"({"spriceInfo":"{\"host\":\"h\"}"})", "服务器没有提供SPICE连接信息"},
      {"x", R"({"spriceInfo":null})", "服务器没有提供SPICE连接信息"},
      {"x", R"({"spriceInfo":{"password":"\fs"}})", "创建SPICE连接文件失败"},
      // The id names the file only where there is one.
      {"", long_data.c_str(), "创建SPICE连接文件失败"},
      {"..", long_data.c_str(), "创建SPICE连接文件失败"},
      {"../kesta-escape", long_data.c_str(), "创建SPICE连接文件失败"},
  };
  for (const Row& row : rows) {
    forget_vm_data();
    leave_vm_data(row.id, row.data);
    test::DialogRecorder recorder;
    dispatch("spice", R"({"connecttype":"spice"})");
    ASSERT_EQ(recorder.dialogs().size(), 1u) << row.message;
    EXPECT_EQ(recorder.dialogs()[0].title, "连接失败");
    EXPECT_EQ(recorder.dialogs()[0].message, row.message) << (row.id ? row.id : "(no id)");
    EXPECT_TRUE(nothing_started());
  }
  EXPECT_FALSE(g_file_test("/kesta-escape.spice", G_FILE_TEST_EXISTS));
}

TEST_F(Dispatch, WithTheTextOnStandardInputTheIdNamesNoFile) {
  test::DialogRecorder recorder;
  for (const char* id : {"", "..", "../kesta-escape"}) {
    leave_vm_data(id, R"({"spriceInfo":{}})");
    dispatch("spice", R"({"connecttype":"spice"})");
    EXPECT_EQ(recorded(viewer_paths.remote_viewer), Argv({viewer_paths.remote_viewer, "-f", "-"})) << id;
  }
  EXPECT_TRUE(recorder.dialogs().empty());
  EXPECT_FALSE(g_file_test("/kesta-escape.spice", G_FILE_TEST_EXISTS));
}

// No child is left behind: the viewer's watch reaps it once it has exited.
TEST_F(Dispatch, TheViewerLeavesNoChildBehind) {
  test::DialogRecorder recorder;
  dispatch("freerdp2", R"({"connecttype":"freerdp2"})");
  ASSERT_FALSE(recorded(viewer_paths.xfreerdp).empty());
  EXPECT_TRUE(test::spin_until(test::no_child_left)) << "the exited stand-in is still a zombie";
}

TEST_F(Dispatch, NullTextsAndNoPoolAreEmpty) {
  test::DialogRecorder recorder;
  dispatch_connection("freerdp2", nullptr, nullptr, nullptr, GTK_WINDOW(window_), PoolSettings{});
  EXPECT_EQ(recorded(viewer_paths.xfreerdp),
            Argv({viewer_paths.xfreerdp, "/v:", "/from-stdin:force", "/u:", "/f", "/network:auto"}) + kRdpTail);
  dispatch_connection(nullptr, nullptr, nullptr, nullptr, GTK_WINDOW(window_), PoolSettings{});
  ASSERT_EQ(recorder.dialogs().size(), 1u);
  EXPECT_EQ(recorder.dialogs()[0].message, "不支持的连接类型: ");
}

}  // namespace
}  // namespace kesta

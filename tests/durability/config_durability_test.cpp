// A save must never lose the settings.  Whether a system call of the save
// fails (a full or failing disk) or the saving process is killed at any
// moment, the file afterwards is the whole old or the whole new
// configuration, readable by its owner only, and a failed save leaves no
// temporary file behind.
#include <fcntl.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "configs.h"
#include "support/print_capture.h"
#include "support/temp_home.h"

namespace kesta {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr char kFileName[] = ".kestaconfig2.json";

// The environment of this process with the given entries added or replaced.
StrvPtr environment_with(const std::vector<std::string>& entries) {
  char** env = g_get_environ();
  for (const std::string& entry : entries) {
    const std::size_t eq = entry.find('=');
    env = g_environ_setenv(env, entry.substr(0, eq).c_str(), entry.substr(eq + 1).c_str(), TRUE);
  }
  return StrvPtr(env);
}

// Under AddressSanitizer its runtime would insist on coming before the shim.
std::string asan_options() {
  const char* options = g_getenv("ASAN_OPTIONS");
  return std::string("ASAN_OPTIONS=") + (options ? std::string(options) + ":" : "") + "verify_asan_link_order=0";
}

class ConfigDurability : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = test::make_temp_dir();
    ASSERT_FALSE(dir_.empty());
    path_ = dir_ + "/" + kFileName;
    quietly([&] {
      ASSERT_TRUE(save_config_file(path_.c_str(), test::new_config()));
      new_text_ = test::read_file(path_);
      ASSERT_TRUE(save_config_file(path_.c_str(), test::old_config()));
      old_text_ = test::read_file(path_);
    });
    ASSERT_NE(old_text_, new_text_);
  }
  void TearDown() override {
    remove_leftovers();
    test::remove_file(path_);
    g_rmdir(dir_.c_str());
  }

  static void quietly(const std::function<void()>& action) {
    test::capture_prints();
    action();
    test::captured_prints();
  }
  void reset_to_old() {
    quietly([&] { ASSERT_TRUE(save_config_file(path_.c_str(), test::old_config())); });
  }

  // Runs the helper once with the shim and these settings; returns what it
  // printed.
  std::string save_once(const std::vector<std::string>& settings) {
    std::vector<std::string> env = {std::string("LD_PRELOAD=") + KESTA_FAULT_SHIM, asan_options()};
    env.insert(env.end(), settings.begin(), settings.end());
    const StrvPtr envp = environment_with(env);
    const char* argv[] = {KESTA_SAVE_HELPER, path_.c_str(), "once", nullptr};
    gchar* out = nullptr;
    gint status = 0;
    Error error;
    EXPECT_TRUE(g_spawn_sync(nullptr, const_cast<char**>(argv), envp.get(), G_SPAWN_DEFAULT, nullptr, nullptr, &out,
                             nullptr, &status, error))
        << error.message_or("");
    const GCharPtr owned(out);
    EXPECT_TRUE(g_spawn_check_wait_status(status, nullptr)) << "the helper did not end normally";
    return out ? out : "";
  }

  // The text after "key: " on its line of the helper's output.
  static std::string value_of(const std::string& printed, const std::string& key) {
    const std::size_t at = printed.find(key + ": ");
    if (at == std::string::npos) return {};
    const std::size_t start = at + key.size() + 2;
    return printed.substr(start, printed.find('\n', start) - start);
  }

  // Which configuration the file holds now: "old" or "new"; anything else
  // is a lost configuration.
  std::string held() {
    const std::string text = test::read_file(path_);
    ClientConfig loaded{};
    bool ok = false;
    quietly([&] { ok = load_config_file(path_.c_str(), loaded); });
    struct stat status {};
    if (stat(path_.c_str(), &status) != 0) return "no file";
    if ((status.st_mode & 07777) != 0600) return "mode " + std::to_string(status.st_mode & 07777);
    if (ok && text == old_text_ && test::same_config(loaded, test::old_config())) return "old";
    if (ok && text == new_text_ && test::same_config(loaded, test::new_config())) return "new";
    return "damaged: " + text;
  }

  // Files in the directory other than the configuration: temporary files.
  std::vector<std::string> leftovers() const {
    std::vector<std::string> names;
    if (GDir* dir = g_dir_open(dir_.c_str(), 0, nullptr)) {
      while (const char* name = g_dir_read_name(dir))
        if (std::strcmp(name, kFileName) != 0) names.emplace_back(name);
      g_dir_close(dir);
    }
    return names;
  }
  void remove_leftovers() {
    for (const std::string& name : leftovers()) test::remove_file(dir_ + "/" + name);
  }

  std::string dir_, path_, old_text_, new_text_;
};

TEST_F(ConfigDurability, ASaveFailingAtAnySystemCallLeavesTheOldOrTheNewFile) {
  // The calls of an undisturbed save under the shim.
  const std::string printed = save_once({});
  std::vector<std::string> calls;
  std::istringstream words(value_of(printed, "calls"));
  for (std::string word; words >> word;) calls.push_back(word);
  ASSERT_EQ(value_of(printed, "saved"), "1") << printed;
  EXPECT_EQ(held(), "new");
  // A temporary file written, synced and renamed over the old one.
  for (const char* call : {"write", "fsync", "close", "rename"})
    EXPECT_NE(std::find(calls.begin(), calls.end(), call), calls.end()) << call << " in " << printed;

  int reported = 0;
  for (const int error : {ENOSPC, EIO}) {
    for (std::size_t i = 1; i <= calls.size(); ++i) {
      reset_to_old();
      const std::string run =
          save_once({"KESTA_FAULT_CALL=" + std::to_string(i), "KESTA_FAULT_ERRNO=" + std::to_string(error)});
      const std::string context = calls[i - 1] + " (call " + std::to_string(i) + ") failing with " + std::strerror(error);
      const std::string state = held();
      EXPECT_TRUE(state == "old" || state == "new") << context << ": " << state;
      EXPECT_TRUE(leftovers().empty()) << context << ": " << leftovers().front();
      const bool saved = value_of(run, "saved") == "1";
      if (saved) {
        EXPECT_EQ(state, "new") << context << ": a save that says it succeeded";
      } else {
        ++reported;
        EXPECT_NE(run.find("保存配置文件失败: "), std::string::npos) << context << run;
      }
      remove_leftovers();
    }
  }
  std::cout << "[ figures  ] " << calls.size() << " system calls per save (" << value_of(printed, "calls") << "), "
            << 2 * calls.size() << " faulty saves, " << reported << " reported as failed\n";
}

TEST_F(ConfigDurability, ASaveKilledAtAnyMomentLeavesTheOldOrTheNewFile) {
  // Seeded, so that a failure can be replayed; bounded in time for slow
  // (sanitized) builds.
  std::mt19937 random(20240607);
  // Long enough for several saves, so that kills land in every part of one.
  std::uniform_int_distribution<int> delay_us(0, 5000);
  const auto limit = Clock::now() + 90s;
  int kills = 0, old_files = 0, new_files = 0, mid_save = 0;
  for (; kills < 200 && Clock::now() < limit; ++kills) {
    const char* argv[] = {KESTA_SAVE_HELPER, path_.c_str(), "loop", nullptr};
    GPid pid = 0;
    gint out = -1;
    Error error;
    ASSERT_TRUE(g_spawn_async_with_pipes(nullptr, const_cast<char**>(argv), nullptr, G_SPAWN_DO_NOT_REAP_CHILD,
                                         nullptr, nullptr, &pid, nullptr, &out, nullptr, error))
        << error.message_or("");
    // Saving starts once it says "ready".
    char ready[6] = {};
    std::size_t got = 0;
    while (got < sizeof ready) {
      const ssize_t n = read(out, ready + got, sizeof ready - got);
      if (n <= 0) break;
      got += static_cast<std::size_t>(n);
    }
    ASSERT_EQ(std::string(ready, got), "ready\n");
    // A random moment into the saving is what is tested, not an event.
    g_usleep(static_cast<gulong>(delay_us(random)));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    g_spawn_close_pid(pid);
    close(out);

    const std::string state = held();
    ASSERT_TRUE(state == "old" || state == "new") << "kill " << kills << ": " << state;
    (state == "old" ? old_files : new_files)++;
    if (!leftovers().empty()) ++mid_save;
    // A save killed half-way leaves its temporary file (owner-only); it is
    // cleared so that each kill is judged alone.
    remove_leftovers();
  }
  EXPECT_GE(kills, 50) << "too few kills in the time";
  std::cout << "[ figures  ] " << kills << " kills: " << old_files << " left the old file, " << new_files
            << " the new one, " << mid_save << " were in the middle of writing a temporary file\n";
}

}  // namespace
}  // namespace kesta

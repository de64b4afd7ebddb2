// What the end of a viewer tells the user, and what the client prints of a
// running viewer: the viewers are scripts that print chosen lines and exit
// with chosen statuses.
#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <string>

#include "base/config.h"
#include "launch/dispatch.h"
#include "launch/viewer_exit.h"
#include "support/dialog_recorder.h"
#include "support/print_capture.h"
#include "support/scripted_viewers.h"
#include "support/spin.h"

namespace kesta {
namespace {

ViewerEnd exited(int code, const std::string& last_error = "") { return {"RDP客户端", true, code, last_error}; }
ViewerEnd killed(int signal) { return {"RDP客户端", false, signal, ""}; }

TEST(SessionFailure, ByHowTheViewerEnded) {
  constexpr char kNoAnswer[] = "无法连接到虚拟机 10.0.0.7";
  struct Row {
    bool freerdp;
    ViewerEnd end;
    std::optional<std::string> message;
  } rows[] = {
      // FreeRDP's normal ends: closed, disconnected, signed off in the VM,
      // by the user, a prompt cancelled.
      {true, exited(0), std::nullopt},
      {true, exited(1), std::nullopt},
      {true, exited(2), std::nullopt},
      {true, exited(11), std::nullopt},
      {true, exited(145), std::nullopt},
      {true, exited(132, "x"), "用户名或密码错误"},
      {true, exited(134), "用户名或密码错误"},
      {true, exited(154), "用户名或密码错误"},
      {true, exited(131), kNoAnswer},
      {true, exited(139), kNoAnswer},
      {true, exited(140), kNoAnswer},
      {true, exited(141), kNoAnswer},
      {true, exited(143), kNoAnswer},
      {true, exited(147), kNoAnswer},
      {true, exited(133), "与虚拟机协商安全协议失败"},
      {true, exited(135), "账户已被锁定"},
      {true, exited(151), "账户已被禁用"},
      {true, exited(157), "账户已过期"},
      {true, exited(148), "密码已过期，请先修改密码"},
      {true, exited(149), "密码已过期，请先修改密码"},
      // Any other status: the last error line, or the status itself.
      {true, exited(128, "[ERROR] bad"), "RDP客户端异常退出: [ERROR] bad"},
      {true, exited(3), "RDP客户端异常退出，退出状态: 3"},
      // Other viewers know no statuses but 0.
      {false, exited(0, "noise"), std::nullopt},
      {false, exited(1, "could not connect"), "RDP客户端异常退出: could not connect"},
      {false, exited(132), "RDP客户端异常退出，退出状态: 132"},
      // Asked to stop (as "重新连接" asks) is a normal end; a crash is not.
      {true, killed(SIGTERM), std::nullopt},
      {false, killed(SIGKILL), std::nullopt},
      {false, killed(SIGHUP), std::nullopt},
      {true, killed(SIGSEGV), "RDP客户端异常终止，信号: " + std::to_string(SIGSEGV)},
  };
  for (const Row& row : rows)
    EXPECT_EQ(session_failure(row.freerdp, "10.0.0.7", row.end), row.message)
        << (row.freerdp ? "FreeRDP " : "other ") << (row.end.exited ? "status " : "signal ") << row.end.code;
}

// dispatch_connection with a scripted viewer, and the viewer's end.
class SessionEnd : public testing::Test {
 protected:
  void SetUp() override {
    apply_config_defaults(app_config);
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  }
  void TearDown() override { gtk_widget_destroy(window_); }

  struct Ended {
    GPid pid = 0;
    bool ended = false;
    std::optional<std::string> failure;
  };

  // Starts an RDP viewer for 127.0.0.1 with the signed-in user's password on
  // its standard input, and waits for it to end.
  Ended run_rdp() {
    PoolSettings pool;
    pool.connect_type = "freerdp2";
    pool.account_type = "ad";
    Ended result;
    result.pid = dispatch_connection("freerdp2", "127.0.0.1", "alice", "pw of alice", GTK_WINDOW(window_), pool,
                                     nullptr, nullptr, [&result](GPid pid, const std::optional<std::string>& failure) {
                                       EXPECT_EQ(pid, result.pid);
                                       result.ended = true;
                                       result.failure = failure;
                                     });
    EXPECT_NE(result.pid, 0);
    EXPECT_TRUE(test::spin_until([&] { return result.ended; }, std::chrono::seconds(30))) << "no end reported";
    return result;
  }

  test::ScriptedViewers viewers_;
  GtkWidget* window_ = nullptr;
};

TEST_F(SessionEnd, TheViewersLinesArePrintedUnderItsNameAndItsInputIsNot) {
  viewers_.script("first line\nwith \x1b[31m escape\r\n[ERROR] the real trouble\nno line break", "on stderr\n", 132);
  test::PrintCapture prints;
  const Ended ended = run_rdp();
  EXPECT_EQ(ended.failure, "用户名或密码错误");
  const std::string pid = std::to_string(ended.pid);
  for (const std::string& line :
       {"RDP客户端已启动，进程号: " + pid, std::string("RDP客户端: first line"), std::string("RDP客户端: with \\x1b[31m escape"),
        std::string("RDP客户端: [ERROR] the real trouble"), std::string("RDP客户端: no line break"),
        std::string("RDP客户端: on stderr"), std::string("RDP客户端已结束，退出状态: 132")})
    EXPECT_EQ(prints.count(line), 1) << line << "\n" << prints.text();
  EXPECT_EQ(viewers_.input_of(ended.pid), "pw of alice\n") << "the password went to the viewer";
  EXPECT_EQ(prints.text().find("pw of alice"), std::string::npos) << "and was never printed";
}

TEST_F(SessionEnd, TheLastErrorLineExplainsAnUnknownStatus) {
  viewers_.script("[ERROR] earlier\nplain\n[ERROR] the last one\nplain again\n", "", 77);
  EXPECT_EQ(run_rdp().failure, "RDP客户端异常退出: [ERROR] the last one");
  viewers_.script("plain\n", "from stderr\n", 77);
  EXPECT_EQ(run_rdp().failure, "RDP客户端异常退出: from stderr") << "every line on standard error counts";
}

TEST_F(SessionEnd, AFloodIsCountedNotPrinted) {
  std::string flood;
  for (int i = 0; i < 500; ++i) flood += "line " + std::to_string(i) + "\n";
  flood += std::string(5000, 'x') + "\n";
  viewers_.script(flood, "", 0);
  test::PrintCapture prints;
  EXPECT_EQ(run_rdp().failure, std::nullopt);
  EXPECT_EQ(prints.count("RDP客户端: line 0"), 1);
  EXPECT_EQ(prints.count("RDP客户端: line 499"), 0);
  EXPECT_NE(prints.text().find("行输出未打印"), std::string::npos) << prints.text();
  for (const std::string& line : prints.lines()) EXPECT_LT(line.size(), 1200u);
}

}  // namespace
}  // namespace kesta

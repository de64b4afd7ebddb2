#include <gtest/gtest.h>
#include <glib/gstdio.h>

#include <chrono>
#include <string>

#include "base/ptr.h"
#include "login/power_dialogs.h"
#include "support/dialog_recorder.h"
#include "support/login_screen_support.h"
#include "support/spin.h"
#include "support/temp_home.h"
#include "support/widget_find.h"

namespace kesta {
namespace {

using test::DialogRecorder;
using test::find_button;
using test::find_label;

struct PowerCase {
  const char* text;  // the icon's tooltip and the label beside it
  const char* title;
  const char* question;
  const char* pressed_line;
  const char* word;  // what systemctl is asked to do
  decltype(&confirm_shutdown) confirm;
  decltype(&on_shutdown_label_pressed) label_pressed;
};

void PrintTo(const PowerCase& power, std::ostream* out) { *out << power.word; }

const PowerCase kShutdown{"关机", "确认关机", "您确定要关闭系统吗？", "关机按钮被点击，执行系统关机命令",
                          "poweroff", confirm_shutdown, on_shutdown_label_pressed};
const PowerCase kReboot{"重启", "确认重启", "您确定要重启系统吗？", "重启按钮被点击，执行系统重启命令",
                        "reboot", confirm_reboot, on_reboot_label_pressed};

// The real systemctl must never run here: a recording stand-in comes first on
// PATH, and every test checks that the shell would find it before anything
// can be confirmed.
class LocalPower : public testing::TestWithParam<PowerCase> {
 protected:
  void SetUp() override {
    dir_ = test::make_temp_dir();
    ASSERT_FALSE(dir_.empty());
    calls_ = dir_ + "/calls";
    const std::string script = dir_ + "/systemctl";
    test::write_file(script, "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + calls_ + "'\n");
    ASSERT_EQ(g_chmod(script.c_str(), 0755), 0);
    old_path_ = g_getenv("PATH") ? g_getenv("PATH") : "";
    g_setenv("PATH", (dir_ + ":" + old_path_).c_str(), TRUE);
    const GCharPtr found(g_find_program_in_path("systemctl"));
    ASSERT_TRUE(found && script == found.get()) << "the stand-in systemctl is not the one the shell finds";
    screen_ = std::make_unique<test::LoginScreen>("");
  }
  void TearDown() override {
    screen_.reset();
    g_setenv("PATH", old_path_.c_str(), TRUE);
    test::remove_file(calls_);
    test::remove_file(dir_ + "/systemctl");
    g_rmdir(dir_.c_str());
  }

  GtkWidget* window() { return screen_->window(); }
  // What the stand-in was asked, one line per call.
  std::string calls() { return test::read_file(calls_); }
  // The text label beside the icon, inside the box that takes its clicks.
  GtkWidget* label_area() { return gtk_widget_get_parent(find_label(window(), GetParam().text)); }

  // Checks the confirmation as it is shown, and that it is gone before the
  // command runs.
  void watch_dialog(DialogRecorder& recorder, GtkWindow* expected_parent) {
    recorder.inspect_with([this, expected_parent](GtkDialog* dialog) {
      EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), expected_parent);
      EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
      EXPECT_NE(find_button(GTK_WIDGET(dialog), "取消"), nullptr);
      EXPECT_NE(find_button(GTK_WIDGET(dialog), "确定"), nullptr);
      g_signal_connect(dialog, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer self) noexcept {
                         auto* test = static_cast<LocalPower*>(self);
                         test->calls_at_destroy_ = test->calls();
                         ++test->destroyed_;
                       }),
                       this);
    });
  }
  void expect_one_dialog(const DialogRecorder& recorder) {
    ASSERT_EQ(recorder.dialogs().size(), 1u);
    EXPECT_EQ(recorder.dialogs()[0].title, GetParam().title);
    EXPECT_EQ(recorder.dialogs()[0].heading, GetParam().question);
    EXPECT_EQ(destroyed_, 1);
  }

  std::string dir_;
  std::string calls_;
  std::string old_path_;
  std::unique_ptr<test::LoginScreen> screen_;
  std::string calls_at_destroy_ = "never destroyed";
  int destroyed_ = 0;
};

TEST_P(LocalPower, ConfirmingRunsTheCommandOnceAfterTheDialogIsGone) {
  test::PrintCapture printed;
  DialogRecorder recorder;
  watch_dialog(recorder, GTK_WINDOW(window()));
  recorder.queue_response(GTK_RESPONSE_YES);
  gtk_button_clicked(GTK_BUTTON(find_button(window(), GetParam().text)));

  expect_one_dialog(recorder);
  EXPECT_EQ(calls(), std::string(GetParam().word) + "\n");
  EXPECT_EQ(calls_at_destroy_, "") << "the command ran while the dialog was still there";
  EXPECT_EQ(printed.lines(), std::vector<std::string>{GetParam().pressed_line});
}

TEST_P(LocalPower, CancellingOrClosingRunsNothingButStillPrints) {
  for (const int answer : {GTK_RESPONSE_NO, GTK_RESPONSE_DELETE_EVENT}) {
    SCOPED_TRACE(answer);
    destroyed_ = 0;
    test::PrintCapture printed;
    DialogRecorder recorder;
    watch_dialog(recorder, GTK_WINDOW(window()));
    recorder.queue_response(answer);
    gtk_button_clicked(GTK_BUTTON(find_button(window(), GetParam().text)));
    expect_one_dialog(recorder);
    EXPECT_EQ(printed.count(GetParam().pressed_line), 1);
  }
  EXPECT_EQ(calls(), "");
}

TEST_P(LocalPower, ALeftClickOnTheLabelAsksWithTheLoginWindowAsParent) {
  test::PrintCapture printed;
  DialogRecorder recorder;
  watch_dialog(recorder, GTK_WINDOW(window()));
  recorder.queue_response(GTK_RESPONSE_YES);
  test::click(label_area(), GDK_BUTTON_PRIMARY);

  expect_one_dialog(recorder);
  EXPECT_EQ(calls(), std::string(GetParam().word) + "\n");
  EXPECT_EQ(printed.count(GetParam().pressed_line), 1);
}

TEST_P(LocalPower, OtherButtonsOnTheLabelOpenNothingAndPassThrough) {
  test::PrintCapture printed;
  DialogRecorder recorder;
  recorder.queue_response(GTK_RESPONSE_YES);
  test::click(label_area(), GDK_BUTTON_SECONDARY);
  test::click(label_area(), GDK_BUTTON_MIDDLE);
  EXPECT_TRUE(recorder.dialogs().empty());

  // Not consumed either, nor is a missing event or the extra event of a
  // double click.
  GdkEvent* event = gdk_event_new(GDK_BUTTON_PRESS);
  event->button.button = GDK_BUTTON_SECONDARY;
  EXPECT_FALSE(GetParam().label_pressed(label_area(), &event->button, window()));
  event->button.button = GDK_BUTTON_MIDDLE;
  EXPECT_FALSE(GetParam().label_pressed(label_area(), &event->button, window()));
  event->button.type = GDK_2BUTTON_PRESS;
  event->button.button = GDK_BUTTON_PRIMARY;
  EXPECT_FALSE(GetParam().label_pressed(label_area(), &event->button, window()));
  gdk_event_free(event);
  EXPECT_FALSE(GetParam().label_pressed(label_area(), nullptr, window()));

  // Nothing is to happen: a time to let it, not a condition to wait for.
  test::spin_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(recorder.dialogs().empty());
  EXPECT_TRUE(printed.lines().empty());
  EXPECT_EQ(calls(), "");
}

TEST_P(LocalPower, TheParentIsTheSourcesWindowUnlessAWindowIsGiven) {
  DialogRecorder recorder;
  watch_dialog(recorder, GTK_WINDOW(window()));
  recorder.queue_response(GTK_RESPONSE_NO);
  GetParam().confirm(label_area(), nullptr);
  EXPECT_EQ(recorder.dialogs().size(), 1u);

  destroyed_ = 0;
  watch_dialog(recorder, nullptr);
  recorder.queue_response(GTK_RESPONSE_NO);
  GetParam().confirm(nullptr, nullptr);
  EXPECT_EQ(recorder.dialogs().size(), 2u);
  EXPECT_EQ(destroyed_, 1);
  EXPECT_EQ(calls(), "");
}

INSTANTIATE_TEST_SUITE_P(ShutdownAndRestart, LocalPower, testing::Values(kShutdown, kReboot),
                         [](const testing::TestParamInfo<PowerCase>& info) {
                           return std::string(info.param.word);
                         });

}  // namespace
}  // namespace kesta

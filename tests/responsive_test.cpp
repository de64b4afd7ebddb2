// The client stays alive while the service takes its time: each request
// runs on the main loop, holds the input of the window that started it, shows
// that it is working, and leads to the same lines and dialogs as a quick
// reply.  Requests of a window that goes are cancelled; a timeout bounds the
// whole exchange.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "api/http.h"
#include "api/vm_list.h"
#include "base/config.h"
#include "base/fixed_text.h"
#include "desktop/desktop_window.h"
#include "desktop/refresh.h"
#include "login/login_keys.h"
#include "support/hostile_support.h"
#include "support/login_screen_support.h"
#include "support/spin.h"
#include "support/wait_reply.h"
#include "support/widget_find.h"
#include "ui/data_keys.h"

namespace kesta {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace paths = test::paths;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

class Responsive : public test::HostileClient {
 protected:
  // The text of the window's busy indicator while it shows, or "".
  static std::string busy_text(GtkWidget* window) {
    auto* indicator = static_cast<GtkWidget*>(g_object_get_data(G_OBJECT(window), keys::kBusyIndicator));
    GtkWidget* spinner = test::find_widget(indicator, [](GtkWidget* w) { return GTK_IS_SPINNER(w); });
    GtkWidget* label = test::find_widget(indicator, [](GtkWidget* w) { return GTK_IS_LABEL(w); });
    if (!spinner || !test::shown(spinner) || !test::shown(label)) return {};
    return gtk_label_get_text(GTK_LABEL(label));
  }
  static bool held(GtkWidget* window) { return g_object_get_data(G_OBJECT(window), keys::kBusy) != nullptr; }
};

struct Case {
  const char* name;
  const char* delayed_path;
  const char* busy_text;
  // The window whose input the request holds, and the press that starts it.
  std::function<GtkWidget*()> window;
  std::function<GtkWidget*()> button;
};

// Printed lines with numbers left out: the refresh timer's id differs per
// run.
std::string comparable(const std::string& printed) {
  std::string text;
  for (const char c : printed)
    if (!g_ascii_isdigit(c)) text += c;
  return text;
}

GtkWidget* menu_item(GtkWidget* card, const std::string& label) {
  GtkWidget* button = test::find_widget(card, [](GtkWidget* w) { return GTK_IS_MENU_BUTTON(w); });
  return test::find_widget(GTK_WIDGET(gtk_menu_button_get_popup(GTK_MENU_BUTTON(button))), [&](GtkWidget* w) {
    return GTK_IS_MENU_ITEM(w) && label == gtk_menu_item_get_label(GTK_MENU_ITEM(w));
  });
}

TEST_F(Responsive, ASlowReplyHoldsTheWindowShowsProgressAndChangesNothingElse) {
  service_->service().set_vms({test::vm("off", "stopped"), test::vm("on", "running")});
  const std::vector<Case> cases = {
      {"登录", paths::kLogin, "正在登录…", [this] { return login_; },
       [this] { return test::find_button(login_, "登录"); }},
      {"刷新", paths::kVmList, "正在加载虚拟机列表...", [this] { return record()->window; },
       [this] { return test::find_button(record()->window, "刷新"); }},
      {"开机", "/api/custom/vm/status/start", "正在发送请求…", [this] { return record()->window; },
       [this] { return test::find_button(cards()[0], "连接"); }},
  };
  ensure_signed_in();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Once as fast as the service goes, once with every reply two seconds
    // late: the same lines and dialogs.
    std::vector<test::Outcome> outcomes;
    for (const auto delay : {0ms, 2000ms}) {
      if (std::string(c.name) == "登录")
        gtk_button_clicked(GTK_BUTTON(test::find_button(record()->window, "注销")));
      else
        ensure_signed_in();
      service_->scripts().delay(c.delayed_path, delay);
      GtkWidget* window = c.window();
      GtkWidget* button = c.button();
      const std::size_t sent = service_->received().count(c.delayed_path);
      outcomes.push_back(run([&] {
        gtk_button_clicked(GTK_BUTTON(button));
        if (delay == 0ms) return;
        EXPECT_TRUE(held(window));
        EXPECT_EQ(busy_text(window), "") << "nothing changes before 200 ms";
        // A real click on the pressed button meanwhile does nothing.
        test::click(button, 1);
        ASSERT_TRUE(test::spin_until([&] { return !busy_text(window).empty(); }, 2s));
        EXPECT_EQ(busy_text(window), c.busy_text);
        EXPECT_EQ(service_->received().count(c.delayed_path), sent + 1) << "one request only";
      }));
      service_->scripts().clear(c.delayed_path);
      EXPECT_FALSE(held(window));
      EXPECT_EQ(busy_text(window), "") << "the busy state ends with the reply";
    }
    EXPECT_EQ(comparable(outcomes[1].printed), comparable(outcomes[0].printed));
    ASSERT_EQ(outcomes[1].dialogs.size(), outcomes[0].dialogs.size());
    for (std::size_t i = 0; i < outcomes[0].dialogs.size(); ++i) {
      EXPECT_EQ(outcomes[1].dialogs[i].title, outcomes[0].dialogs[i].title);
      EXPECT_EQ(outcomes[1].dialogs[i].message, outcomes[0].dialogs[i].message);
    }
  }
}

TEST_F(Responsive, RequestsOfAWindowThatGoesAreCancelled) {
  service_->service().set_vms({test::vm("on", "running")});
  ensure_signed_in();

  // "注销" while a timer's refresh waits: the late reply changes nothing.
  service_->scripts().hold(paths::kVmList);
  EXPECT_TRUE(refresh_timer_tick(record()));
  EXPECT_EQ(requests_in_flight(), 1u);
  gtk_button_clicked(GTK_BUTTON(test::find_button(record()->window, "注销")));
  EXPECT_EQ(requests_in_flight(), 0u);
  service_->scripts().clear(paths::kVmList);
  // Time for the released reply to arrive, were it still awaited.
  test::spin_for(500ms);
  EXPECT_EQ(cards().size(), 1u);
  EXPECT_TRUE(dialogs().empty());

  // The session expires on a tick while a power request waits: only the
  // expiry is shown, never the power request's outcome.
  ensure_signed_in();
  service_->scripts().hold("/api/custom/vm/status/shutdown");
  gtk_menu_item_activate(GTK_MENU_ITEM(menu_item(cards()[0], "关机")));
  service_->service().expire_token(test::kToken);
  const test::Outcome expiry = run([this] { EXPECT_TRUE(refresh_timer_tick(record())); });
  ASSERT_EQ(expiry.dialogs.size(), 1u);
  EXPECT_EQ(expiry.dialogs[0].title, "会话已过期");
  EXPECT_EQ(requests_in_flight(), 0u);
  EXPECT_FALSE(gtk_widget_get_visible(record()->window));

  // The program is closed while a sign-in waits.
  service_->scripts().hold(paths::kLogin);
  gtk_button_clicked(GTK_BUTTON(test::find_button(login_, "登录")));
  EXPECT_EQ(requests_in_flight(), 1u);
  g_signal_handlers_disconnect_by_func(login_, reinterpret_cast<gpointer>(gtk_main_quit), nullptr);
  gtk_widget_destroy(login_);
  login_ = nullptr;
  EXPECT_EQ(requests_in_flight(), 0u);
  // Time for a late dialog to appear, were one to come.
  test::spin_for(300ms);
  EXPECT_EQ(dialogs().size(), 1u) << "no late dialog";
}

// A terminal left alone on an expired session: whichever path comes to the
// expiry first, and whatever comes after, one dialog stays open over many
// refresh periods; after "确定" a real click on "登录" signs in at once.
TEST_F(Responsive, ASessionExpiresOnce) {
  service_->service().set_vms({test::vm("on", "running")});
  refresh_milliseconds = 100;
  dialogs_->keep_open_for(1500ms);
  const std::vector<std::pair<const char*, std::function<void()>>> paths = {
      {"the timer", [] {}},
      {"刷新", [this] { gtk_button_clicked(GTK_BUTTON(test::find_button(record()->window, "刷新"))); }},
      {"关机", [this] { gtk_menu_item_activate(GTK_MENU_ITEM(menu_item(cards()[0], "关机"))); }},
  };
  for (const auto& [name, start] : paths) {
    SCOPED_TRACE(name);
    ensure_signed_in();
    GtkWidget* desktop = record()->window;
    const std::size_t before = dialogs().size();
    service_->service().expire_token(test::kToken);
    start();
    ASSERT_TRUE(test::spin_until([&] { return gtk_widget_get_visible(login_); }, 60s));
    // Periods enough for a timer that still ran to come back to it.
    test::spin_for(500ms);
    ASSERT_EQ(dialogs().size(), before + 1);
    EXPECT_EQ(dialogs().back().title, "会话已过期");
    EXPECT_FALSE(gtk_widget_get_visible(desktop));

    gtk_entry_set_text(GTK_ENTRY(test::named(login_, keys::kUsernameEntry)), "alice");
    gtk_entry_set_text(GTK_ENTRY(test::named(login_, keys::kPasswordEntry)), "secret");
    test::click(test::find_button(login_, "登录"), 1);
    test::wait_for_requests();
    ASSERT_NE(record()->window, desktop);
    EXPECT_TRUE(gtk_widget_get_visible(record()->window)) << "signed in again";
    EXPECT_EQ(dialogs().size(), before + 1);
  }
  refresh_milliseconds = 60000;
}

TEST(WholeExchangeTimeout, ATricklingReplyFailsLikeASilentOne) {
  test::StandIn service;
  service.scripts().trickle(paths::kVmList, 300ms);
  service.scripts().hold(paths::kVmConfig);
  ClientConfig config{};
  apply_config_defaults(config);
  copy_fixed(config.server_address, service.url());

  HttpRequest trickling = vm_list_request(config.server_address, "t");
  HttpRequest silent = trickling;
  silent.url = service.url() + paths::kVmConfig;
  std::vector<std::optional<HttpReply>> replies;
  for (HttpRequest* request : {&silent, &trickling}) {
    request->timeout = 2;
    const auto start = Clock::now();
    replies.push_back(test::send_request(*request));
    const double waited = seconds_since(start);
    EXPECT_GE(waited, 1.5) << request->url;
    EXPECT_LT(waited, 10.0) << request->url << ": the timeout bounds the whole exchange";
    ASSERT_TRUE(replies.back());
    EXPECT_FALSE(replies.back()->has_body);
  }
  EXPECT_EQ(replies[0]->status, replies[1]->status);
}

}  // namespace
}  // namespace kesta

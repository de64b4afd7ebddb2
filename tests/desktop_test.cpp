#include <gtest/gtest.h>

#include <ranges>
#include <string>
#include <vector>

#include "base/config.h"
#include "desktop/desktop_keys.h"
#include "desktop/refresh.h"
#include "desktop/vm_cards.h"
#include "login/login_keys.h"
#include "support/client_fixture.h"
#include "support/print_capture.h"
#include "support/spin.h"
#include "support/widget_find.h"

namespace kesta {
namespace {

using test::find_label;

std::vector<test::Vm> vms(int count) {
  std::vector<test::Vm> list;
  for (int i = 1; i <= count; ++i) list.push_back(test::vm("vm" + std::to_string(i), "stopped", "桌面" + std::to_string(i)));
  return list;
}

class Desktop : public test::ClientFixture {
 protected:
  void sign_in_with(std::vector<test::Vm> list) {
    service_->service().set_vms(std::move(list));
    test::capture_prints();
    sign_in();
    test::captured_prints();
    ASSERT_NE(record(), nullptr);
  }
  std::string card_name(GtkWidget* card) {
    GtkWidget* title = find_label(card, "桌面名称：");
    GtkWidget* row = gtk_widget_get_parent(title);
    GList* children = gtk_container_get_children(GTK_CONTAINER(row));
    std::string name = gtk_label_get_text(GTK_LABEL(g_list_nth_data(children, 1)));
    g_list_free(children);
    return name;
  }
  void quietly(void (*action)(GtkButton*, gpointer)) {
    test::capture_prints();
    action(nullptr, record());
    test::wait_for_requests();
    test::captured_prints();
  }
  // The last power request's path and raw query.
  std::string last_power_request() {
    for (auto& r : service_->received().requests() | std::views::reverse)
      if (r.path.rfind(test::paths::kVmStatusPrefix, 0) == 0) return r.method + " " + r.path + "?" + r.raw_query;
    return {};
  }
};

TEST_F(Desktop, FourPerPageWithPaging) {
  sign_in_with(vms(4));
  EXPECT_EQ(cards().size(), 4u);
  EXPECT_EQ(page_label(), "第 1/1 页");
  EXPECT_FALSE(sensitive(keys::kPrevButton));
  EXPECT_FALSE(sensitive(keys::kNextButton));
  EXPECT_FALSE(gtk_widget_get_visible(record()->status_label));
}

TEST_F(Desktop, FiveAndNineVms) {
  sign_in_with(vms(9));
  EXPECT_EQ(page_label(), "第 1/3 页");
  EXPECT_TRUE(sensitive(keys::kNextButton));
  click(keys::kNextButton);
  click(keys::kNextButton);
  ASSERT_EQ(cards().size(), 1u);
  EXPECT_EQ(card_name(cards()[0]), "桌面9");
  EXPECT_EQ(page_label(), "第 3/3 页");
  EXPECT_FALSE(sensitive(keys::kNextButton));
  click(keys::kNextButton);
  EXPECT_EQ(page_label(), "第 3/3 页") << "no page past the last";

  // A refresh that leaves five VMs keeps page 3: no card, "3/2".
  service_->service().set_vms(vms(5));
  quietly(on_refresh_clicked);
  EXPECT_TRUE(cards().empty());
  EXPECT_EQ(page_label(), "第 3/2 页");
  EXPECT_FALSE(sensitive(keys::kNextButton));
  EXPECT_TRUE(sensitive(keys::kPrevButton));
  click(keys::kPrevButton);
  ASSERT_EQ(cards().size(), 1u);
  EXPECT_EQ(card_name(cards()[0]), "桌面5");
  EXPECT_EQ(page_label(), "第 2/2 页");
}

TEST_F(Desktop, EmptyListShowsItsText) {
  sign_in_with({});
  EXPECT_TRUE(cards().empty());
  EXPECT_TRUE(gtk_widget_get_visible(record()->status_label));
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(record()->status_label)), "无可用的虚拟机列表");
  EXPECT_EQ(page_label(), "第 1/1 页");
  EXPECT_FALSE(sensitive(keys::kPrevButton));
  EXPECT_FALSE(sensitive(keys::kNextButton));
}

TEST_F(Desktop, PowerMenusFollowTheStatus) {
  sign_in_with({test::vm("a", "running"), test::vm("b", "Running"), test::vm("c", "paused"),
                test::vm("d", "suspended")});
  const auto c = cards();
  ASSERT_EQ(c.size(), 4u);
  using Items = std::vector<std::string>;
  EXPECT_EQ(menu_items(c[0]), (Items{"关机", "强制关机", "重启", "强制重启"}));
  EXPECT_EQ(menu_items(c[1]), (Items{"开机"})) << "status words are compared exactly";
  EXPECT_EQ(menu_items(c[2]), (Items{"恢复"}));
  EXPECT_EQ(menu_items(c[3]), (Items{"恢复"}));
  EXPECT_NE(find_label(c[1], "Running"), nullptr) << "shown as received";
}

TEST_F(Desktop, EachMenuItemSendsItsRequest) {
  sign_in_with({test::vm("run-1", "running"), test::vm("off-1", "stopped"), test::vm("sus-1", "suspended")});
  const auto c = cards();
  struct Case {
    GtkWidget* card;
    const char* item;
    const char* request;
  };
  test::capture_prints();
  for (const Case& k : {Case{c[0], "关机", "POST /api/custom/vm/status/shutdown?vmid=run-1"},
                        Case{c[0], "强制关机", "POST /api/custom/vm/status/stop?vmid=run-1"},
                        Case{c[0], "重启", "POST /api/custom/vm/status/reboot?vmid=run-1"},
                        Case{c[0], "强制重启", "POST /api/custom/vm/status/reset?vmid=run-1"},
                        Case{c[1], "开机", "POST /api/custom/vm/status/start?vmid=off-1"},
                        Case{c[2], "恢复", "POST /api/custom/vm/status/resume?vmid=sus-1"}}) {
    const std::size_t before = dialogs().size();
    activate_menu_item(k.card, k.item);
    EXPECT_EQ(last_power_request(), k.request) << k.item;
    ASSERT_EQ(dialogs().size(), before + 1) << k.item;
    EXPECT_EQ(dialogs().back().title, "成功") << k.item;
  }
  const std::string out = test::captured_prints();
  EXPECT_NE(out.find("关机虚拟机URL: " + service_->url() + "/api/custom/vm/status/reboot?vmid=run-1"), std::string::npos);
  EXPECT_EQ(dialogs()[4].message, "虚拟机开机成功，请耐心等待");
  EXPECT_EQ(dialogs()[5].message, "虚拟机唤醒成功");
  EXPECT_EQ(dialogs()[0].message, "操作成功");
  const auto request = service_->received().last(std::string(test::paths::kVmStatusPrefix) + "resume");
  ASSERT_TRUE(request);
  EXPECT_EQ(request->header("Authorization"), std::string("Bearer ") + test::kToken);
  EXPECT_EQ(request->body, "");
}

TEST_F(Desktop, ConnectActsByTheCardsStatus) {
  sign_in_with({test::vm("off", "stopped"), test::vm("sus", "suspended"), test::vm("p", "paused"),
                test::vm("u", "unknown")});
  const auto c = cards();
  test::capture_prints();
  click_connect(c[0]);
  EXPECT_EQ(last_power_request(), "POST /api/custom/vm/status/start?vmid=off");
  click_connect(c[0]);
  EXPECT_EQ(service_->received().count(std::string(test::paths::kVmStatusPrefix) + "start"), 2u)
      << "the card still says stopped";
  click_connect(c[1]);
  EXPECT_EQ(last_power_request(), "POST /api/custom/vm/status/resume?vmid=sus");
  const std::size_t requests = service_->received().requests().size();
  click_connect(c[2]);
  click_connect(c[3]);
  test::captured_prints();
  EXPECT_EQ(service_->received().requests().size(), requests);
  ASSERT_EQ(dialogs().size(), 5u);
  for (int i : {3, 4}) {
    EXPECT_EQ(dialogs()[i].title, "无法连接");
    EXPECT_EQ(dialogs()[i].message, "虚拟机状态未知或不可用");
  }
}

TEST_F(Desktop, PowerRequestOutcomes) {
  sign_in_with({test::vm("a", "running")});
  GtkWidget* card = cards()[0];
  const std::string path = std::string(test::paths::kVmStatusPrefix) + "shutdown";
  struct Case {
    test::Reply reply;
    const char* title;
    const char* message;
  };
  test::capture_prints();
  for (const Case& k : {Case{{201, R"({"success": true})", "application/json"}, "成功", "操作成功"},
                        Case{{200, R"({"success": false})", "application/json"}, "操作失败", "未知错误"},
                        Case{{200, R"({"success": false, "message": "忙"})", "application/json"}, "操作失败", "忙"},
                        Case{{500, R"({"error":"x"})", "application/json"}, "操作失败", R"({"error":"x"})"},
                        Case{{503, "", "text/plain"}, "操作失败", ""},
                        Case{{403, "forbidden", "text/plain"}, "操作失败", "forbidden"},
                        Case{{200, "<html>", "text/html"}, "响应错误", "无法解析服务器响应"}}) {
    service_->scripts().force_reply(path, k.reply);
    activate_menu_item(card, "关机");
    ASSERT_FALSE(dialogs().empty());
    EXPECT_EQ(dialogs().back().title, k.title) << k.reply.body;
    EXPECT_EQ(dialogs().back().message, k.message) << k.reply.body;
  }
  service_.reset();  // no server at all
  activate_menu_item(card, "关机");
  const std::string out = test::captured_prints();
  EXPECT_EQ(dialogs().back().title, "操作失败");
  EXPECT_EQ(dialogs().back().message, "无法连接到服务器");
  EXPECT_NE(out.find("请求失败，状态码: "), std::string::npos);
  EXPECT_TRUE(gtk_widget_get_visible(record()->window));
}

TEST_F(Desktop, A401EndsTheSession) {
  sign_in_with({test::vm("a", "running")});
  service_->service().expire_token(test::kToken);
  test::capture_prints();
  activate_menu_item(cards()[0], "重启");
  const std::string out = test::captured_prints();
  ASSERT_EQ(dialogs().size(), 1u) << "only the expiry dialog";
  EXPECT_EQ(dialogs()[0].title, "会话已过期");
  EXPECT_EQ(dialogs()[0].message, "您的登录会话已过期，请重新登录");
  EXPECT_FALSE(gtk_widget_get_visible(record()->window));
  EXPECT_TRUE(gtk_widget_get_visible(login_));
  EXPECT_NE(out.find("令牌已过期或无效，自动注销"), std::string::npos);
  EXPECT_EQ(out.find("请求失败"), std::string::npos) << out;

  EXPECT_FALSE(handle_session_expiry(403, record()));
  EXPECT_FALSE(handle_session_expiry(500, record()));
}

TEST_F(Desktop, RefreshWithTheServerDownExpiresTheSession) {
  sign_in_with(vms(2));
  ASSERT_EQ(cards().size(), 2u);
  service_.reset();
  test::capture_prints();
  on_refresh_clicked(nullptr, record());
  test::wait_for_requests();
  const std::string out = test::captured_prints();
  EXPECT_NE(out.find("请求虚拟机列表失败，状态码: "), std::string::npos) << out;
  ASSERT_EQ(dialogs().size(), 1u);
  EXPECT_EQ(dialogs()[0].title, "会话已过期");
  EXPECT_FALSE(gtk_widget_get_visible(record()->window));
  EXPECT_TRUE(gtk_widget_get_visible(login_));
  EXPECT_TRUE(cards().empty()) << "the hidden grid is rebuilt empty";
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(record()->status_label)), "无可用的虚拟机列表");
}

TEST_F(Desktop, TimerTicksEndThemselves) {
  sign_in_with(vms(2));
  GObject* window = G_OBJECT(record()->window);
  // A tick on a visible window reloads and keeps going.
  test::capture_prints();
  EXPECT_TRUE(refresh_timer_tick(record()));
  test::wait_for_requests();
  EXPECT_EQ(service_->received().count(test::paths::kVmList), 2u);

  // A failed reload on a tick ends the session and the timer, leaving the old
  // cards in the hidden window.  The tick only starts the load; its reply
  // ends the timer.
  service_->scripts().force_reply(test::paths::kVmList, test::Reply{500, "down", "text/plain"});
  EXPECT_TRUE(refresh_timer_tick(record()));
  test::wait_for_requests();
  EXPECT_EQ(dialogs().size(), 1u);
  EXPECT_EQ(cards().size(), 2u);
  EXPECT_EQ(g_object_get_data(window, keys::kRefreshTimerId), nullptr) << "nothing left for the teardown";

  // After logout the next tick sends nothing.
  const std::size_t loads = service_->received().count(test::paths::kVmList);
  EXPECT_FALSE(refresh_timer_tick(record()));
  EXPECT_FALSE(refresh_timer_tick(nullptr));
  const std::string out = test::captured_prints();
  EXPECT_EQ(service_->received().count(test::paths::kVmList), loads);
  EXPECT_NE(out.find("窗口不可见，停止自动刷新"), std::string::npos);
  EXPECT_NE(out.find("错误：主窗口结构体为NULL，停止自动刷新"), std::string::npos);
}

TEST_F(Desktop, VmIdsAreEscapedInQueries) {
  sign_in_with({test::vm("a&vmid=b#c d", "stopped")});
  test::capture_prints();
  activate_menu_item(cards()[0], "开机");
  test::captured_prints();
  const auto request = service_->received().last(std::string(test::paths::kVmStatusPrefix) + "start");
  ASSERT_TRUE(request);
  EXPECT_EQ(request->query.size(), 1u);
  EXPECT_EQ(request->query.at("vmid"), "a&vmid=b#c d");
}

TEST_F(Desktop, MenuItemsKeepTheirOwnVmId) {
  sign_in_with({test::vm("keep-me", "stopped")});
  GtkWidget* card = cards()[0];
  // The list is released before a reload's request; an open menu must not
  // read from it meanwhile.
  record()->vm_list.clear();
  record()->vm_list.shrink_to_fit();
  test::capture_prints();
  activate_menu_item(card, "开机");
  test::captured_prints();
  EXPECT_EQ(last_power_request(), "POST /api/custom/vm/status/start?vmid=keep-me");
}

TEST_F(Desktop, ChangePasswordOnlyPrints) {
  sign_in_with(vms(1));
  test::capture_prints();
  gtk_button_clicked(GTK_BUTTON(test::find_button(record()->window, "修改密码")));
  EXPECT_EQ(test::captured_prints(), "修改密码功能待实现\n");
  EXPECT_TRUE(gtk_widget_get_visible(record()->window));
}

// The record can go while its window is still on the screen (the login
// window that holds it goes first): the window's buttons then reach nothing.
TEST_F(Desktop, TheButtonsOfAWindowWhoseRecordWentDoNothing) {
  sign_in_with(vms(5));
  GtkWidget* window = record()->window;
  const std::size_t loads = service_->received().count(test::paths::kVmList);
  test::capture_prints();
  g_object_set_data(G_OBJECT(login_), keys::kMainWindow, nullptr);
  for (const char* label : {"刷新", "修改密码", "下一页", "注销"})
    gtk_button_clicked(GTK_BUTTON(test::find_button(window, label)));
  test::wait_for_requests();
  EXPECT_EQ(test::captured_prints(), "移除自动刷新定时器\n");
  EXPECT_EQ(service_->received().count(test::paths::kVmList), loads);
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(test::named(window, keys::kPageLabel))), "第 1/2 页");
  EXPECT_TRUE(gtk_widget_get_visible(window));
}

}  // namespace
}  // namespace kesta

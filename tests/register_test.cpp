#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "api/domain_list.h"
#include "api/registration.h"
#include "base/config.h"
#include "base/ptr.h"
#include "host/host_identity.h"
#include "login/login_keys.h"
#include "login/register_dialog.h"
#include "stand_in.h"
#include "support/dialog_recorder.h"
#include "support/login_screen_support.h"
#include "support/wait_reply.h"
#include "support/widget_find.h"

namespace kesta {
namespace {

using test::fetch_domain_list;
using test::register_account;

using test::DialogRecord;
using test::find_button;
using test::find_label;
using test::find_widget;
using test::named;
using test::PrintCapture;
using test::Reply;
using test::StandIn;
namespace paths = test::paths;

// An address where nothing listens: a stand-in's, after it stopped.
std::string address_of_a_stopped_server() {
  StandIn gone;
  return gone.url();
}

std::vector<std::string> debug_lines(const PrintCapture& printed) {
  std::vector<std::string> lines;
  for (const std::string& line : printed.lines())
    if (line.starts_with("DEBUG: ")) lines.push_back(line);
  return lines;
}

// ---- The domain-list request ----

class DomainList : public testing::Test {
 protected:
  std::vector<std::string> fetch_with_reply(unsigned status, const std::string& body) {
    service_.scripts().force_reply(paths::kDomainList, Reply{status, body});
    return fetch_domain_list(service_.url().c_str());
  }
  std::string url() { return service_.url() + "/api/ad/getDomainList?page=1&size=999"; }

  StandIn service_;
  PrintCapture printed_;
};

TEST_F(DomainList, NamesComeInTheServersOrderWithEveryStepPrinted) {
  const std::string body =
      R"({"success":true,"data":{"list":[{"domain":"研发部.corp"},{"domain":"sales"},{"domain":"ops"}],)"
      R"("total":3},"message":"ok, and some padding to pass one hundred bytes"})";
  EXPECT_EQ(fetch_with_reply(200, body), (std::vector<std::string>{"研发部.corp", "sales", "ops"}));
  EXPECT_EQ(printed_.lines(), (std::vector<std::string>{
                                  "DEBUG: 请求域名列表 URL: " + url(),
                                  "DEBUG: 域名列表请求状态码: 200",
                                  "DEBUG: 收到域名列表响应，长度: " + std::to_string(body.size()),
                                  "DEBUG: 响应前100个字符: " + body.substr(0, 100),
                                  "DEBUG: JSON success字段: true",
                                  "DEBUG: 找到域名列表，包含 3 个项目",
                                  "DEBUG: 添加域名: 研发部.corp",
                                  "DEBUG: 添加域名: sales",
                                  "DEBUG: 添加域名: ops",
                                  "DEBUG: 最终获取到 3 个域名",
                              }));

  // Anonymous: no token, and no body, so no content type.
  const auto request = service_.received().last(paths::kDomainList);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->method, "GET");
  EXPECT_EQ(request->raw_query, "page=1&size=999");
  EXPECT_FALSE(request->has_header("Authorization"));
  EXPECT_FALSE(request->has_header("Content-Type"));
  EXPECT_EQ(request->body, "");
}

TEST_F(DomainList, TheServiceItselfIsAskedForAllItsDomains) {
  std::vector<std::string> many;
  for (int i = 0; i < 40; ++i) many.push_back("d" + std::to_string(i));
  many.push_back("d0");
  many.push_back("");
  service_.service().set_domains(many);
  EXPECT_EQ(fetch_domain_list(service_.url().c_str()), many) << "duplicates and empty names stay";
}

TEST_F(DomainList, ElementsWithoutATextDomainAreSkipped) {
  EXPECT_EQ(fetch_with_reply(200, R"({"success":true,"data":{"list":[{"domain":"first"},{"name":"no domain"},)"
                                  R"({"domain":"third"},"plain",{"domain":7},null,{"domain":"last"}]}})"),
            (std::vector<std::string>{"first", "third", "last"}));
  EXPECT_EQ(printed_.count("DEBUG: 找到域名列表，包含 7 个项目"), 1);
  EXPECT_EQ(printed_.count("DEBUG: 最终获取到 3 个域名"), 1);
}

TEST_F(DomainList, EveryFailureGivesNoDomainsAndSaysWhy) {
  struct Case {
    unsigned status;
    std::string body;
    std::string why;
  };
  const std::vector<Case> cases = {
      {200, R"({"success":true,"data":{"list":[]}})", "DEBUG: 找到域名列表，包含 0 个项目"},
      {200, R"({"success":false,"data":{"list":[{"domain":"a"}]}})", "DEBUG: JSON中未找到data字段或请求不成功"},
      {200, R"({"data":{"list":[{"domain":"a"}]}})", "DEBUG: JSON中未找到success字段"},
      {200, R"({"success":true})", "DEBUG: JSON中未找到data字段或请求不成功"},
      {200, R"({"success":true,"data":"list"})", "DEBUG: JSON中未找到data字段或请求不成功"},
      {200, R"({"success":true,"data":{"items":[]}})", "DEBUG: JSON data对象中未找到list字段"},
      {200, R"({"success":true,"data":{"list":{"domain":"a"}}})", "DEBUG: JSON data对象中未找到list字段"},
      {200, R"([{"domain":"a"}])", "DEBUG: JSON中未找到success字段"},
      {200, "<html>maintenance</html>", "DEBUG: JSON解析失败: "},
      {500, R"({"success":true,"data":{"list":[{"domain":"a"}]}})", "DEBUG: 请求失败，无法获取域名列表"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    printed_.clear();
    EXPECT_TRUE(fetch_with_reply(c.status, c.body).empty());
    const std::vector<std::string> lines = printed_.lines();
    bool said_why = false;
    for (const std::string& line : lines) said_why |= line.starts_with(c.why);
    EXPECT_TRUE(said_why);
    EXPECT_EQ(lines.back(), "DEBUG: 最终获取到 0 个域名");
  }
}

TEST_F(DomainList, UnreachableOrUnusableAddressesGiveNoDomains) {
  const std::string down = address_of_a_stopped_server();
  EXPECT_TRUE(fetch_domain_list(down.c_str()).empty());
  EXPECT_EQ(printed_.lines(), (std::vector<std::string>{
                                  "DEBUG: 请求域名列表 URL: " + down + "/api/ad/getDomainList?page=1&size=999",
                                  "DEBUG: 域名列表请求状态码: 4",
                                  "DEBUG: 请求失败，无法获取域名列表",
                                  "DEBUG: 最终获取到 0 个域名",
                              }));

  printed_.clear();
  EXPECT_TRUE(fetch_domain_list("").empty());
  EXPECT_EQ(printed_.lines(), (std::vector<std::string>{
                                  "DEBUG: 请求域名列表 URL: /api/ad/getDomainList?page=1&size=999",
                                  "DEBUG: 创建HTTP请求失败",
                              }));
}

// ---- The registration request ----

class RegistrationRequest : public testing::Test {
 protected:
  ReplyOutcome<> send(const char* username = "alice") {
    return register_account(service_.url().c_str(), username, "pass word 8", "Alice 张", "corp");
  }
  ReplyOutcome<> send_with_reply(unsigned status, const std::string& body) {
    service_.scripts().force_reply(paths::kRegister, Reply{status, body});
    return send();
  }

  StandIn service_;
};

TEST_F(RegistrationRequest, SendsTheFourMembersAndPrintsNothing) {
  PrintCapture printed;
  const ReplyOutcome<> result = send();
  EXPECT_TRUE(result.ok());
  EXPECT_EQ(result.message, "");
  EXPECT_TRUE(printed.lines().empty());

  const auto request = service_.received().last(paths::kRegister);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->method, "POST");
  EXPECT_EQ(request->body,
            R"({"username":"alice","password":"pass word 8","nickname":"Alice 张","domain":"corp"})");
  EXPECT_EQ(request->header("Content-Type"), "application/json");
  EXPECT_FALSE(request->has_header("Authorization"));
  ASSERT_EQ(service_.service().registrations().size(), 1u);
}

TEST_F(RegistrationRequest, ATakenNameIsSaidInWords) {
  ASSERT_TRUE(send("bob").ok());
  const ReplyOutcome<> again = send("bob");
  EXPECT_FALSE(again.ok());
  EXPECT_EQ(again.message, "用户名已存在");
}

TEST_F(RegistrationRequest, EveryOtherAnswerBecomesOneMessage) {
  struct Case {
    unsigned status;
    std::string body;
    std::string message;
  };
  const std::vector<Case> cases = {
      {200, R"({"success":false,"message":"server.hasuser"})", "用户名已存在"},
      {200, R"({"success":false,"message":"server.hasuser "})", "server.hasuser "},
      {200, R"({"success":false,"message":"域不存在"})", "域不存在"},
      {200, R"({"success":false})", "未知错误"},
      {200, R"({"success":false,"message":42})", "未知错误"},
      {200, R"({"message":"no success member"})", "no success member"},
      {200, R"([{"success":true}])", "未知错误"},
      {200, "<html><body>gateway</body></html>", "解析服务器响应失败"},
      {200, "", "未知错误"},
      {500, R"({"success":true})", "服务器返回错误，状态码：500"},
      {201, R"({"success":true})", "服务器返回错误，状态码：201"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    const ReplyOutcome<> result = send_with_reply(c.status, c.body);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.message, c.message);
  }
  EXPECT_TRUE(send_with_reply(200, R"({"success":true})").ok());
}

TEST_F(RegistrationRequest, AddressesThatReachNothing) {
  const std::string down = address_of_a_stopped_server();
  EXPECT_EQ(register_account(down.c_str(), "u", "p", "n", "d").message, "服务器返回错误，状态码：4");
  EXPECT_EQ(register_account("", "u", "p", "n", "d").message, "无法连接到服务器，请检查服务器地址是否正确");
  EXPECT_EQ(register_account("127.0.0.1:1", "u", "p", "n", "d").message,
            "无法连接到服务器，请检查服务器地址是否正确");
}

// ---- The registration dialog ----

// What the person types; unset fields are left as they are.
struct Typing {
  std::optional<std::string> nickname = std::nullopt;
  std::optional<std::string> username = std::nullopt;
  std::optional<std::string> password = std::nullopt;
  std::optional<std::string> verification = std::nullopt;
  std::optional<int> domain_row = std::nullopt;
};

const Typing kComplete{.nickname = "张三", .username = "zhangsan", .password = "12345678", .verification = "x1"};

std::string entry_text(GtkDialog* dialog, const char* key) {
  return gtk_entry_get_text(GTK_ENTRY(named(GTK_WIDGET(dialog), key)));
}

GtkComboBox* domain_combo(GtkDialog* dialog) { return GTK_COMBO_BOX(named(GTK_WIDGET(dialog), keys::kDomainCombo)); }

std::vector<std::string> combo_rows(GtkComboBox* combo) {
  std::vector<std::string> rows;
  GtkTreeModel* model = gtk_combo_box_get_model(combo);
  GtkTreeIter row;
  for (gboolean more = gtk_tree_model_get_iter_first(model, &row); more; more = gtk_tree_model_iter_next(model, &row)) {
    char* text = nullptr;
    gtk_tree_model_get(model, &row, 0, &text, -1);
    const GCharPtr owned(text);
    rows.emplace_back(text ? text : "");
  }
  return rows;
}

// The text of the label in column 0 of the grid row, or "" when there is none.
std::string row_label(GtkDialog* dialog, int row) {
  GtkWidget* grid = find_widget(GTK_WIDGET(dialog), [](GtkWidget* w) { return GTK_IS_GRID(w); });
  GtkWidget* label = gtk_grid_get_child_at(GTK_GRID(grid), 0, row);
  return label ? gtk_label_get_text(GTK_LABEL(label)) : "";
}

class RegisterDialog : public testing::Test {
 protected:
  using Step = std::function<void(GtkDialog*)>;

  void TearDown() override { screen_.reset(); }

  void start(const std::string& address, bool mac_login = false) {
    screen_ = std::make_unique<test::LoginScreen>(R"({"server_address": ")" + address + R"(", "maclogin": )" +
                                                  (mac_login ? "true" : "false") + "}");
  }
  void start(bool mac_login = false) { start(service_.url(), mac_login); }
  GtkWidget* window() { return screen_->window(); }
  GtkWidget* link() { return find_label(window(), "注册账号"); }

  // Presses the link and plays one step per dialog that appears, the
  // registration dialog first; returns once the registration dialog is gone.
  // The registration dialog is answered like a press of "注册" without the
  // click, which must not close it.
  void register_with(std::vector<Step> steps, const std::function<void()>& open = {}) {
    test::DialogRecorder recorder;
    std::size_t next = 0;
    recorder.inspect_with([&](GtkDialog* dialog) {
      if (!form_) {
        form_ = dialog;
        g_signal_connect(dialog, "destroy", G_CALLBACK(+[](GtkWidget*, gpointer self) noexcept {
                           auto* test = static_cast<RegisterDialog*>(self);
                           test->form_ = nullptr;
                           ++test->destroyed_;
                         }),
                         this);
      }
      if (next < steps.size()) steps[next++](dialog);
    });
    recorder.queue_response(GTK_RESPONSE_ACCEPT);
    // Should a step leave the dialog open, the test fails instead of hanging.
    SourcePtr guard = add_timeout_seconds(30, [](gpointer self) noexcept -> gboolean {
      auto* test = static_cast<RegisterDialog*>(self);
      ADD_FAILURE() << "the registration dialog stayed open";
      if (test->form_) gtk_dialog_response(test->form_, GTK_RESPONSE_CANCEL);
      return G_SOURCE_CONTINUE;
    }, this);
    if (open) {
      open();
    } else {
      GdkEvent* press = gdk_event_new(GDK_BUTTON_PRESS);
      press->button.button = GDK_BUTTON_PRIMARY;
      EXPECT_TRUE(on_register_link_pressed(link(), &press->button, window()));
      gdk_event_free(press);
    }
    guard.reset();
    for (const guint id : pending_) {
      if (!g_main_context_find_source_by_id(nullptr, id)) continue;
      ADD_FAILURE() << "a step was meant for a registration dialog that had closed";
      g_source_remove(id);
    }
    pending_.clear();
    dialogs_ = recorder.dialogs();
    EXPECT_EQ(form_, nullptr);
  }

  // Runs after the dialog at hand has been answered, while the registration
  // dialog is still open.
  void later(std::function<void()> action) {
    pending_.push_back(g_idle_add_full(
        G_PRIORITY_DEFAULT_IDLE,
        [](gpointer f) noexcept -> gboolean {
          (*static_cast<std::function<void()>*>(f))();
          return G_SOURCE_REMOVE;
        },
        new std::function<void()>(std::move(action)),
        [](gpointer f) noexcept { delete static_cast<std::function<void()>*>(f); }));
  }
  void type(const Typing& typing) {
    GtkWidget* d = GTK_WIDGET(form_);
    if (typing.nickname) gtk_entry_set_text(GTK_ENTRY(named(d, keys::kNicknameEntry)), typing.nickname->c_str());
    if (typing.username) gtk_entry_set_text(GTK_ENTRY(named(d, keys::kUsernameEntry)), typing.username->c_str());
    if (typing.password) gtk_entry_set_text(GTK_ENTRY(named(d, keys::kPasswordEntry)), typing.password->c_str());
    if (typing.verification)
      gtk_entry_set_text(GTK_ENTRY(named(d, keys::kVerificationEntry)), typing.verification->c_str());
    if (typing.domain_row) gtk_combo_box_set_active(domain_combo(form_), *typing.domain_row);
  }
  // Types into the registration dialog and presses "注册".
  Step attempt(Typing typing) {
    return [this, typing](GtkDialog*) {
      later([this, typing] {
        type(typing);
        gtk_button_clicked(GTK_BUTTON(find_button(GTK_WIDGET(form_), "注册")));
      });
    };
  }
  Step cancel() {
    return [this](GtkDialog*) {
      later([this] { gtk_button_clicked(GTK_BUTTON(find_button(GTK_WIDGET(form_), "取消"))); });
    };
  }
  // A step that looks before it acts.
  static Step looking(std::function<void(GtkDialog*)> look, Step act) {
    return [look, act](GtkDialog* dialog) {
      look(dialog);
      act(dialog);
    };
  }

  std::vector<std::string> titles() const {
    std::vector<std::string> result;
    for (const DialogRecord& d : dialogs_) result.push_back(d.title);
    return result;
  }
  std::size_t registrations_sent() { return service_.received().count(paths::kRegister); }

  StandIn service_;
  std::unique_ptr<test::LoginScreen> screen_;
  GtkDialog* form_ = nullptr;
  int destroyed_ = 0;
  std::vector<DialogRecord> dialogs_;
  std::vector<guint> pending_;
};

TEST_F(RegisterDialog, TheNormalFormOffersTheServersDomains) {
  service_.service().set_domains({"corp", "lab", "guest"});
  start();
  PrintCapture printed;
  register_with({looking(
      [&](GtkDialog* dialog) {
        EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), GTK_WINDOW(window()));
        EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
        EXPECT_EQ(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(dialog), keys::kIsMacMode)), 0);
        for (const auto& [row, label] : std::vector<std::pair<int, std::string>>{
                 {0, "姓名："}, {1, "账号："}, {2, "密码："}, {3, "域："}, {4, "验证码："}})
          EXPECT_EQ(row_label(dialog, row), label);
        EXPECT_STREQ(gtk_entry_get_placeholder_text(GTK_ENTRY(named(GTK_WIDGET(dialog), keys::kPasswordEntry))),
                     "请输入密码（至少8位）");
        EXPECT_FALSE(gtk_entry_get_visibility(GTK_ENTRY(named(GTK_WIDGET(dialog), keys::kPasswordEntry))));
        EXPECT_EQ(combo_rows(domain_combo(dialog)), (std::vector<std::string>{"corp", "lab", "guest"}));
        EXPECT_EQ(gtk_combo_box_get_active(domain_combo(dialog)), 0);
        EXPECT_TRUE(gtk_widget_get_sensitive(GTK_WIDGET(domain_combo(dialog))));
        EXPECT_NE(find_button(GTK_WIDGET(dialog), "取消"), nullptr);
      },
      cancel())});
  ASSERT_EQ(dialogs_.size(), 1u);
  EXPECT_EQ(dialogs_[0].title, "注册账号");
  EXPECT_EQ(dialogs_[0].heading, "用户注册");
  EXPECT_EQ(destroyed_, 1);
  EXPECT_EQ(registrations_sent(), 0u);
  EXPECT_EQ(debug_lines(printed).front(), "DEBUG: 尝试获取域名列表，服务器地址: " + service_.url());
  for (const char* name : {"corp", "lab", "guest"})
    EXPECT_EQ(printed.count(std::string("DEBUG: 添加域名到下拉菜单: ") + name), 1);
  EXPECT_EQ(printed.count("DEBUG: 设置默认选中域名在索引0"), 1);

  // Each opening asks again.
  register_with({cancel()});
  EXPECT_EQ(service_.received().count(paths::kDomainList), 2u);
}

TEST_F(RegisterDialog, TheChecksStopAtTheFirstGapAndSendNothing) {
  service_.service().set_domains({"corp", "lab"});
  start();
  register_with({
      attempt({}),
      attempt({.username = "zhangsan"}),
      attempt({.nickname = "   "}),
      attempt({.password = "1234567"}),
      attempt({.password = "七个中文字符啊"}),
      attempt({.password = "八个中文字符啊啊"}),
      attempt({.verification = "abcd"}),
  });
  EXPECT_EQ(titles(), (std::vector<std::string>{"注册账号", "注册失败", "注册失败", "注册失败", "注册失败", "注册失败",
                                                "注册失败", "注册成功"}));
  const std::vector<std::string> expected = {"请输入姓名", "请输入姓名", "密码长度必须大于或等于8个字符",
                                             "密码长度必须大于或等于8个字符", "密码长度必须大于或等于8个字符",
                                             "请输入验证码", "账号注册成功，等待管理员审核"};
  for (std::size_t i = 0; i < expected.size() && i + 1 < dialogs_.size(); ++i) {
    EXPECT_EQ(dialogs_[i + 1].message, expected[i]) << i;
    EXPECT_EQ(dialogs_[i + 1].heading, dialogs_[i + 1].title);
  }
  EXPECT_EQ(destroyed_, 1);

  // Only the last attempt went out: with the first domain and without the
  // verification code.
  ASSERT_EQ(registrations_sent(), 1u);
  EXPECT_EQ(service_.received().last(paths::kRegister)->body,
            R"({"username":"zhangsan","password":"八个中文字符啊啊","nickname":"   ","domain":"corp"})");
}

TEST_F(RegisterDialog, AnAccountIsAskedForBeforeThePassword) {
  start();
  register_with({attempt({.nickname = "n"}), cancel()});
  ASSERT_EQ(dialogs_.size(), 2u);
  EXPECT_EQ(dialogs_[1].message, "请输入账号");
}

TEST_F(RegisterDialog, AnEmptyDomainNameIsNoDomain) {
  service_.service().set_domains({""});
  start();
  register_with({attempt(kComplete), cancel()});
  ASSERT_EQ(dialogs_.size(), 2u);
  EXPECT_EQ(dialogs_[1].message, "请选择域");
  EXPECT_EQ(registrations_sent(), 0u);
}

TEST_F(RegisterDialog, TheChosenDomainIsSent) {
  service_.service().set_domains({"corp", "lab", "guest"});
  start();
  Typing typing = kComplete;
  typing.domain_row = 2;
  register_with({attempt(typing)});
  EXPECT_EQ(titles(), (std::vector<std::string>{"注册账号", "注册成功"}));
  ASSERT_EQ(service_.service().registrations().size(), 1u);
  EXPECT_EQ(service_.service().registrations()[0].domain, "guest");
}

TEST_F(RegisterDialog, ARefusalKeepsTheFormForAnotherAttempt) {
  service_.service().add_account("zhangsan", "secret", "token");
  start();
  register_with({
      attempt(kComplete),
      looking(
          [&](GtkDialog*) {
            // Looked at once the refusal has been answered.
            later([this] {
              EXPECT_EQ(entry_text(form_, keys::kNicknameEntry), "张三");
              EXPECT_EQ(entry_text(form_, keys::kUsernameEntry), "zhangsan");
              EXPECT_EQ(entry_text(form_, keys::kPasswordEntry), "12345678");
              EXPECT_EQ(entry_text(form_, keys::kVerificationEntry), "x1");
              EXPECT_EQ(gtk_combo_box_get_active(domain_combo(form_)), 0);
            });
          },
          attempt({.username = "zhangsan2"})),
  });
  EXPECT_EQ(titles(), (std::vector<std::string>{"注册账号", "注册失败", "注册成功"}));
  EXPECT_EQ(dialogs_[1].message, "用户名已存在");
  EXPECT_EQ(registrations_sent(), 2u);
  EXPECT_EQ(destroyed_, 1);
}

TEST_F(RegisterDialog, WithTheServerDownTheDomainIsDefaultAndTheFailureIsShown) {
  const std::string down = address_of_a_stopped_server();
  start(down);
  PrintCapture printed;
  register_with({looking(
                     [&](GtkDialog* dialog) {
                       EXPECT_EQ(combo_rows(domain_combo(dialog)), std::vector<std::string>{"default"});
                       EXPECT_EQ(gtk_combo_box_get_active(domain_combo(dialog)), 0);
                     },
                     attempt(kComplete)),
                 cancel()});
  EXPECT_EQ(titles(), (std::vector<std::string>{"注册账号", "注册失败"}));
  EXPECT_EQ(dialogs_[1].message, "服务器返回错误，状态码：4");
  EXPECT_EQ(printed.count("DEBUG: 无法获取域名列表，添加默认选项"), 1);
  EXPECT_EQ(printed.count("DEBUG: 设置默认选中域名在索引0"), 0);
  EXPECT_EQ(destroyed_, 1);
}

TEST_F(RegisterDialog, ServiceAnswersAreShownAndKeepTheDialogOpen) {
  service_.service().set_domains({"corp"});
  start();
  service_.scripts().force_reply(paths::kRegister, Reply{200, R"({"success":false,"message":"验证码错误"})"},
                                 test::Repeat::Once);
  register_with({attempt(kComplete), attempt({})});
  EXPECT_EQ(titles(), (std::vector<std::string>{"注册账号", "注册失败", "注册成功"}));
  EXPECT_EQ(dialogs_[1].message, "验证码错误");
  EXPECT_EQ(registrations_sent(), 2u);
}

TEST_F(RegisterDialog, TheMacFormSendsTheMacAddress) {
  start(true);
  const GCharPtr mac = get_mac_address();
  register_with({looking(
      [&](GtkDialog* dialog) {
        GtkWidget* d = GTK_WIDGET(dialog);
        EXPECT_EQ(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(dialog), keys::kIsMacMode)), 1);
        EXPECT_EQ(row_label(dialog, 0), "姓名：");
        EXPECT_EQ(row_label(dialog, 1), "域：");
        EXPECT_EQ(row_label(dialog, 2), "");
        EXPECT_EQ(find_label(d, "账号："), nullptr);
        EXPECT_EQ(find_label(d, "密码："), nullptr);
        EXPECT_EQ(find_label(d, "验证码："), nullptr);
        EXPECT_EQ(named(d, keys::kVerificationEntry), nullptr);
        EXPECT_EQ(combo_rows(domain_combo(dialog)), std::vector<std::string>{"mac"});
        EXPECT_EQ(gtk_combo_box_get_active(domain_combo(dialog)), 0);
        EXPECT_FALSE(gtk_widget_get_sensitive(GTK_WIDGET(domain_combo(dialog))));
      },
      attempt({}))});
  EXPECT_EQ(service_.received().count(paths::kDomainList), 0u) << "the MAC form needs no domain list";
  if (!mac) {
    // A terminal without a usable interface: nothing can be sent.
    EXPECT_EQ(titles(), (std::vector<std::string>{"注册账号", "注册失败"}));
    EXPECT_EQ(dialogs_[1].message, "无法获取MAC地址，请检查网络连接");
    EXPECT_EQ(registrations_sent(), 0u);
    return;
  }
  EXPECT_EQ(titles(), (std::vector<std::string>{"注册账号", "注册成功"}));
  ASSERT_EQ(registrations_sent(), 1u);
  const std::string m = mac.get();
  EXPECT_EQ(service_.received().last(paths::kRegister)->body,
            R"({"username":")" + m + R"(","password":")" + m + R"(","nickname":"","domain":"mac"})");
}

TEST_F(RegisterDialog, TheFormIsFixedWhenTheDialogIsBuilt) {
  service_.service().set_domains({"corp"});
  start();
  register_with({looking([](GtkDialog*) { app_config.maclogin = 1; }, attempt(kComplete))});
  app_config.maclogin = 0;
  ASSERT_EQ(service_.service().registrations().size(), 1u);
  EXPECT_EQ(service_.service().registrations()[0].username, "zhangsan");
}

TEST_F(RegisterDialog, TheLinkOpensTheDialogOnALeftClickOnly) {
  start(address_of_a_stopped_server());
  test::click(link(), GDK_BUTTON_SECONDARY);
  test::click(link(), GDK_BUTTON_MIDDLE);
  register_with({cancel()}, [this] { test::click(link(), GDK_BUTTON_PRIMARY); });
  EXPECT_EQ(titles(), std::vector<std::string>{"注册账号"});
  EXPECT_EQ(destroyed_, 1);

  // The link's own action, opening its target "#", is stopped before any
  // later handler (this one, which would also stop it) is reached.
  int reached = 0;
  g_signal_connect(link(), "activate-link", G_CALLBACK(+[](GtkLabel*, const char*, gpointer count) noexcept {
                     ++*static_cast<int*>(count);
                     return TRUE;
                   }),
                   &reached);
  gboolean handled = FALSE;
  g_signal_emit_by_name(link(), "activate-link", "#", &handled);
  EXPECT_TRUE(handled);
  EXPECT_EQ(reached, 0);
  g_signal_handlers_disconnect_by_data(link(), &reached);
}

}  // namespace
}  // namespace kesta

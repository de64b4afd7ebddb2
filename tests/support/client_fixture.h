// A client against the stand-in service: the login window built as at
// start-up, the service's account "alice" / "secret", and the dialogs
// answered and recorded.
#pragma once

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <vector>

#include "desktop/main_window_data.h"
#include "stand_in.h"
#include "support/dialog_recorder.h"

namespace kesta::test {

inline constexpr char kToken[] = "token-alice";

// A VM of the stand-in's list.
Vm vm(const std::string& id, const std::string& status, const std::string& name = "桌面");

class ClientFixture : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts a (new) stand-in; the client's server address points at it.
  void start_service(bool https = false);
  // Builds the login window from app_config.
  void build_login();
  // Fills the entries and presses "登录".  This and the other actions below
  // return once the requests they started have been answered.
  void sign_in(const std::string& user = "alice", const std::string& password = "secret",
               bool remember = false);
  // The record of the current sign-in, or null.
  MainWindowData* record() const;
  // The cards shown now, in order.
  std::vector<GtkWidget*> cards() const;
  // The texts of the power-menu items of a card.
  std::vector<std::string> menu_items(GtkWidget* card) const;
  void activate_menu_item(GtkWidget* card, const std::string& label) const;
  void click_connect(GtkWidget* card) const;
  // Text of a desktop-window label or button kept as named data.
  std::string page_label() const;
  bool sensitive(const char* key) const;
  void click(const char* key) const;
  const std::vector<DialogRecord>& dialogs() const { return dialogs_->dialogs(); }

  std::unique_ptr<StandIn> service_;
  std::unique_ptr<DialogRecorder> dialogs_;
  GtkWidget* login_ = nullptr;
};

}  // namespace kesta::test

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/dialog_recorder.h"
#include "support/widget_find.h"
#include "ui/dialog.h"
#include "ui/resources.h"

namespace kesta {
namespace {

TEST(MessageDialog, ShowsTitleAndMessageLiterallyAndWaits) {
  test::DialogRecorder recorder;
  const std::string long_text(600, 'w');
  show_message_dialog(nullptr, "<b>登录失败</b> & more", "a < b && c > d");
  show_message_dialog(nullptr, "提示", long_text.c_str());
  ASSERT_EQ(recorder.dialogs().size(), 2u) << "each call returns only once answered";
  EXPECT_EQ(recorder.dialogs()[0].title, "<b>登录失败</b> & more");
  EXPECT_EQ(recorder.dialogs()[0].heading, "<b>登录失败</b> & more");
  EXPECT_EQ(recorder.dialogs()[0].message, "a < b && c > d");
  EXPECT_EQ(recorder.dialogs()[1].message, long_text);
}

TEST(MessageDialog, ClosingTheDialogEndsItLikeOk) {
  test::DialogRecorder recorder;
  recorder.queue_response(GTK_RESPONSE_DELETE_EVENT);
  show_message_dialog(nullptr, "t", "m");
  EXPECT_EQ(recorder.dialogs().size(), 1u);
}

TEST(MessageDialog, IsModalOverItsParentAndFourHundredWide) {
  GtkWidget* parent = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_widget_show(parent);
  bool checked = false;
  {
    test::DialogRecorder recorder;
    recorder.inspect_with([&](GtkDialog* dialog) {
      int width = 0;
      gtk_window_get_default_size(GTK_WINDOW(dialog), &width, nullptr);
      EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(dialog)));
      EXPECT_TRUE(gtk_window_get_destroy_with_parent(GTK_WINDOW(dialog)));
      EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), GTK_WINDOW(parent));
      EXPECT_EQ(width, 400);
      checked = true;
    });
    show_message_dialog(GTK_WINDOW(parent), "t", "m");
  }
  EXPECT_TRUE(checked);
  gtk_widget_destroy(parent);
}

TEST(MessageDialog, ShowsAMessageWholeAndScrollsOnlyALongOne) {
  struct Row {
    std::string message;
    bool scrolls;
  };
  std::string sentences;
  for (int i = 0; i < 10; ++i) sentences += "服务暂时不可用，请稍后再试。";
  std::string words;
  for (int i = 0; i < 300; ++i) words += "word ";
  for (const Row& row : {Row{"m", false}, Row{sentences, false}, Row{std::string(1999, 'w'), true},
                         Row{words, true}}) {
    test::DialogRecorder recorder;
    int width = 0;
    int shown = 0;
    int needed = 0;
    recorder.inspect_with([&](GtkDialog* dialog) {
      GtkWidget* label = test::find_label(GTK_WIDGET(dialog), row.message);
      ASSERT_NE(label, nullptr);
      width = gtk_widget_get_allocated_width(GTK_WIDGET(dialog));
      shown = gtk_widget_get_allocated_height(gtk_widget_get_ancestor(label, GTK_TYPE_SCROLLED_WINDOW));
      needed = gtk_widget_get_allocated_height(label);
    });
    show_message_dialog(nullptr, "提示", row.message.c_str());
    EXPECT_EQ(width, 400) << row.message;
    EXPECT_EQ(needed > shown, row.scrolls) << row.message << ": " << needed << " in " << shown;
    EXPECT_LE(shown, 360) << row.message;
  }
}

TEST(ModalDialog, HasItsSizeItsButtonsInOrderAndAPaddedBox) {
  using Buttons = std::vector<std::pair<std::string, int>>;
  const ModalDialog one = build_modal_dialog("一", nullptr, 400, -1, {{"确定", GTK_RESPONSE_OK}});
  const ModalDialog two =
      build_modal_dialog("二", nullptr, 350, 150, {{"取消", GTK_RESPONSE_NO}, {"确定", GTK_RESPONSE_YES}});
  struct Row {
    const ModalDialog& frame;
    std::pair<int, int> size;
    Buttons buttons;
  };
  for (const Row& row : {Row{one, {400, -1}, {{"确定", GTK_RESPONSE_OK}}},
                         Row{two, {350, 150}, {{"取消", GTK_RESPONSE_NO}, {"确定", GTK_RESPONSE_YES}}}}) {
    auto* dialog = GTK_DIALOG(row.frame.dialog.get());
    std::pair<int, int> size;
    gtk_window_get_default_size(GTK_WINDOW(dialog), &size.first, &size.second);
    EXPECT_EQ(size, row.size);
    Buttons buttons;
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GList* children = gtk_container_get_children(GTK_CONTAINER(gtk_dialog_get_action_area(dialog)));
    G_GNUC_END_IGNORE_DEPRECATIONS
    for (GList* c = children; c; c = c->next)
      buttons.emplace_back(gtk_button_get_label(GTK_BUTTON(c->data)),
                           gtk_dialog_get_response_for_widget(dialog, GTK_WIDGET(c->data)));
    g_list_free(children);
    EXPECT_EQ(buttons, row.buttons);
    EXPECT_EQ(gtk_widget_get_parent(row.frame.box), gtk_dialog_get_content_area(dialog));
    EXPECT_EQ(gtk_container_get_border_width(GTK_CONTAINER(row.frame.box)), 20u);
  }
}

TEST(Resources, BundleHoldsEveryImageAtItsSize) {
  ASSERT_NE(resources_get_resource(), nullptr);
  struct Image {
    const char* name;
    int width, height;
  };
  for (const Image& i : {Image{"background.png", 1920, 1080}, Image{"logo.png", 330, 296},
                         Image{"setting.png", 36, 36}, Image{"reboot.png", 36, 37},
                         Image{"close.png", 37, 36}, Image{"windows.png", 191, 155},
                         Image{"linux.png", 197, 231}, Image{"login.png", 509, 65},
                         Image{"shut.png", 54, 53}, Image{"reStart.png", 53, 53},
                         Image{"set.png", 53, 53}}) {
    const std::string path = std::string("/org/kesta/client/res/") + i.name;
    GdkPixbuf* image = gdk_pixbuf_new_from_resource(path.c_str(), nullptr);
    ASSERT_NE(image, nullptr) << i.name;
    EXPECT_EQ(gdk_pixbuf_get_width(image), i.width) << i.name;
    EXPECT_EQ(gdk_pixbuf_get_height(image), i.height) << i.name;
    g_object_unref(image);
  }
}

TEST(WindowIcon, ComesFromTheBundle) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  set_window_icon(GTK_WINDOW(window));
  GdkPixbuf* icon = gtk_window_get_icon(GTK_WINDOW(window));
  ASSERT_NE(icon, nullptr);
  EXPECT_GE(gdk_pixbuf_get_width(icon), 64);
  gtk_widget_destroy(window);
}

}  // namespace
}  // namespace kesta

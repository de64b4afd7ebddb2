#include <gtest/gtest.h>

#include <string>

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

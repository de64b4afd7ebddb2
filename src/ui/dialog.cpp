#include "ui/dialog.h"

#include <utility>

#include "base/fixed_text.h"
#include "base/i18n.h"
#include "base/ptr.h"
#include "ui/widget_style.h"

namespace kesta {

namespace {

constexpr const char kIconPath[] = "/org/kesta/client/res/icon.ico";
// Messages may be whole replies of the service (an error page, say).
constexpr std::size_t kMaxMessageBytes = 2000;
// Beyond this height the message scrolls, so that the dialog stays on the
// smallest screen (720 logical pixels high).
constexpr int kMaxMessageHeight = 360;
// About 320 pixels: the message wraps inside the 400-pixel dialog.
constexpr int kMessageChars = 40;

// Escape closes a dialog; where it has a cancel button, it answers as that.
void answer_cancel(GtkDialog* dialog, gpointer response) noexcept {
  g_signal_stop_emission_by_name(dialog, "close");
  gtk_dialog_response(dialog, GPOINTER_TO_INT(response));
}

}  // namespace

ModalDialog build_modal_dialog(const char* title, GtkWindow* parent, int width, int height,
                               std::initializer_list<DialogButton> buttons) {
  // No first button, and the null that ends the list: the buttons are added
  // one by one below, as gtk_dialog_new_with_buttons itself would.
  DialogPtr dialog(gtk_dialog_new_with_buttons(
      title, parent, static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), nullptr,
      nullptr));
  for (const DialogButton& button : buttons) {
    gtk_dialog_add_button(GTK_DIALOG(dialog.get()), button.text, button.response);
    if (button.response == GTK_RESPONSE_CANCEL || button.response == GTK_RESPONSE_NO)
      g_signal_connect(dialog.get(), "close", G_CALLBACK(answer_cancel), GINT_TO_POINTER(button.response));
  }
  gtk_window_set_default_size(GTK_WINDOW(dialog.get()), width, height);

  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog.get()));
  set_background_colour(content, kWhite);
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 10);
  gtk_container_set_border_width(GTK_CONTAINER(box), 20);
  set_background_colour(box, kWhite);
  gtk_container_add(GTK_CONTAINER(content), box);
  // Deprecated, but still the only handle on the box behind the buttons.
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  set_background_colour(gtk_dialog_get_action_area(GTK_DIALOG(dialog.get())), kWhite);
  G_GNUC_END_IGNORE_DEPRECATIONS
  return {std::move(dialog), box};
}

int run_dialog(GtkWidget* dialog) {
  gtk_widget_show_all(dialog);
  return gtk_dialog_run(GTK_DIALOG(dialog));
}

void add_message(GtkWidget* box, const char* title, const char* message) {
  GCharPtr markup(g_markup_printf_escaped("<span weight='bold' size='larger'>%s</span>", title));
  GtkWidget* heading = gtk_label_new(nullptr);
  gtk_label_set_markup(GTK_LABEL(heading), markup.get());
  set_text_colour(heading, kBlack);
  set_background_colour(heading, kWhite);
  gtk_widget_set_halign(heading, GTK_ALIGN_START);
  gtk_box_pack_start(GTK_BOX(box), heading, FALSE, FALSE, 0);

  GtkWidget* text = gtk_label_new(shown_text(message ? message : "", kMaxMessageBytes).c_str());
  set_text_colour(text, kBlack);
  set_background_colour(text, kWhite);
  gtk_label_set_line_wrap(GTK_LABEL(text), TRUE);
  // Long words, such as an address, wrap too instead of widening the dialog.
  gtk_label_set_line_wrap_mode(GTK_LABEL(text), PANGO_WRAP_WORD_CHAR);
  // A fixed wrapping width makes the label ask for the height of all its
  // lines, which the scrolled window below then shows up to its limit.
  gtk_label_set_width_chars(GTK_LABEL(text), kMessageChars);
  gtk_label_set_max_width_chars(GTK_LABEL(text), kMessageChars);
  gtk_widget_set_halign(text, GTK_ALIGN_START);
  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_propagate_natural_height(GTK_SCROLLED_WINDOW(scrolled), TRUE);
  gtk_scrolled_window_set_max_content_height(GTK_SCROLLED_WINDOW(scrolled), kMaxMessageHeight);
  gtk_container_add(GTK_CONTAINER(scrolled), text);
  set_background_colour(gtk_bin_get_child(GTK_BIN(scrolled)), kWhite);
  gtk_box_pack_start(GTK_BOX(box), scrolled, TRUE, TRUE, 0);
}

void show_message_dialog(GtkWindow* parent, const char* title, const char* message) {
  const ModalDialog frame = build_modal_dialog(title, parent, 400, -1, {{_("确定"), GTK_RESPONSE_OK}});
  add_message(frame.box, title, message);
  run_dialog(frame.dialog.get());
}

void set_window_icon(GtkWindow* window) {
  Error error;
  auto icon = take_ref(gdk_pixbuf_new_from_resource(kIconPath, error));
  if (!icon) {
    g_warning("无法从资源加载图标: %s", error.message_or(""));
    return;
  }
  gtk_window_set_icon(window, icon.get());
}

}  // namespace kesta

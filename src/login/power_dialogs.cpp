#include "login/power_dialogs.h"

#include <cstdio>
#include <cstdlib>

#include "base/i18n.h"
#include "login/label_press.h"
#include "ui/dialog.h"
#include "ui/widget_style.h"

namespace kesta {

namespace {

struct PowerAction {
  const char* pressed_line;
  const char* title;
  const char* question;
  // Found through PATH by the shell.
  const char* command;
};

constexpr PowerAction kShutdown{"关机按钮被点击，执行系统关机命令\n", N_("确认关机"), N_("您确定要关闭系统吗？"),
                                "systemctl poweroff"};
constexpr PowerAction kReboot{"重启按钮被点击，执行系统重启命令\n", N_("确认重启"), N_("您确定要重启系统吗？"),
                              "systemctl reboot"};

constexpr GdkRGBA kLightGrey{0.9, 0.9, 0.9, 1};

GtkWindow* window_of(GtkWidget* widget) {
  GtkWidget* top = widget ? gtk_widget_get_toplevel(widget) : nullptr;
  return top && GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr;
}

void style_button(GtkWidget* dialog, int response) {
  GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), response);
  set_background_colour(button, kLightGrey);
  // The text is the button's label: the style sheet's white button text
  // reaches it, the button's own colour does not.
  set_text_colour(gtk_bin_get_child(GTK_BIN(button)), kBlack);
}

bool confirmed(const PowerAction& action, GtkWindow* parent) {
  const ModalDialog frame = build_modal_dialog(_(action.title), parent, 350, 150,
                                               {{_("取消"), GTK_RESPONSE_NO}, {_("确定"), GTK_RESPONSE_YES}});
  GtkWidget* dialog = frame.dialog.get();
  GtkWidget* question = gtk_label_new(_(action.question));
  set_text_colour(question, kBlack);
  set_background_colour(question, kWhite);
  gtk_label_set_line_wrap(GTK_LABEL(question), TRUE);
  gtk_widget_set_halign(question, GTK_ALIGN_CENTER);
  pack_start(frame.box, question, true);
  style_button(dialog, GTK_RESPONSE_NO);
  style_button(dialog, GTK_RESPONSE_YES);
  return run_dialog(dialog) == GTK_RESPONSE_YES;
}

// The login window's handlers go with it (g_signal_connect_object), so a
// login window given here is alive.
void confirm(const PowerAction& action, GtkWidget* source, gpointer login_window) {
  g_print("%s", action.pressed_line);
  GtkWindow* parent = window_of(login_window ? static_cast<GtkWidget*>(login_window) : source);
  if (!confirmed(action, parent)) return;
  // The machine may go down before a buffered line would be written.
  std::fflush(stdout);
  // Whether the command worked is not reported: on success the system stops
  // the client anyway.
  std::system(action.command);
}

gboolean on_label_pressed(const PowerAction& action, GtkWidget* widget, GdkEventButton* event,
                          gpointer login_window) {
  if (!is_primary_press(event)) return FALSE;
  confirm(action, widget, login_window);
  return TRUE;
}

}  // namespace

void confirm_shutdown(GtkWidget* source, gpointer login_window) noexcept { confirm(kShutdown, source, login_window); }

void confirm_reboot(GtkWidget* source, gpointer login_window) noexcept { confirm(kReboot, source, login_window); }

gboolean on_shutdown_label_pressed(GtkWidget* widget, GdkEventButton* event, gpointer login_window) noexcept {
  return on_label_pressed(kShutdown, widget, event, login_window);
}

gboolean on_reboot_label_pressed(GtkWidget* widget, GdkEventButton* event, gpointer login_window) noexcept {
  return on_label_pressed(kReboot, widget, event, login_window);
}

}  // namespace kesta

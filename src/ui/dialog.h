// The frame every modal dialog of the client shares, the common message
// dialog, and the window icon.
#pragma once

#include <gtk/gtk.h>

#include <initializer_list>
#include <memory>

#include "base/ptr.h"

namespace kesta {

// A dialog window, destroyed with its holder.
using DialogPtr = std::unique_ptr<GtkWidget, FnDeleter<GtkWidget, gtk_widget_destroy>>;

// One button of a dialog: its text and the response it answers.
struct DialogButton {
  const char* text;
  int response;
};

struct ModalDialog {
  DialogPtr dialog;
  // A vertical box with a 20-pixel border inside the content area: the
  // dialog's own widgets go here.
  GtkWidget* box;
};

// A modal dialog over parent (which may be null) that goes with it, white
// behind its content and its buttons.  The buttons come in the order given;
// Escape answers as the one of GTK_RESPONSE_CANCEL or GTK_RESPONSE_NO;
// a height of -1 leaves the height to the content.  Nothing is shown yet.
ModalDialog build_modal_dialog(const char* title, GtkWindow* parent, int width, int height,
                               std::initializer_list<DialogButton> buttons);

// Shows the dialog and all it holds, and runs it until it is answered or
// closed; returns the response.  The dialog stays until its holder goes.
int run_dialog(GtkWidget* dialog);

// Fills a dialog's box with title as a bold heading and the message below
// it, wrapped, and scrolling beyond a height that fits the smallest screen.
void add_message(GtkWidget* box, const char* title, const char* message);

// Runs a modal notice with a bold heading and "确定"; returns once it is
// answered or closed.  parent may be null.
void show_message_dialog(GtkWindow* parent, const char* title, const char* message);

void set_window_icon(GtkWindow* window);

}  // namespace kesta

// What a window shows while a request the user started runs: it takes no
// input, and after a moment it says that it is working.
#pragma once

#include <gtk/gtk.h>

#include <optional>
#include <string>

#include "api/http.h"
#include "base/ptr.h"

namespace kesta {

// A spinner with a short text in the given colour, hidden until a hold
// shows it, made for the window and packed by the caller.  While a hold
// lasts, it holds the window's input (a grab), swallowing keys as well.
GtkWidget* build_busy_indicator(GtkWidget* window, const GdkRGBA& text_colour);

// From construction to destruction the window takes no input.  Replies
// faster than 200 ms change nothing visible; from then on the indicator
// shows its spinner and text and the pointer turns busy.  A window without
// an indicator, or one destroyed meanwhile, is left alone.
class BusyHold {
 public:
  BusyHold(GtkWidget* window, const char* text);
  ~BusyHold();
  BusyHold(const BusyHold&) = delete;
  BusyHold& operator=(const BusyHold&) = delete;

 private:
  static gboolean reveal(gpointer self) noexcept;

  GtkWidget* indicator_ = nullptr;  // weak: cleared when it goes
  std::string text_;
  SourcePtr reveal_timer_;
};

// From construction to destruction the window's indicator shows its spinner
// and text at once; the window keeps taking input.  For what goes on outside
// the client, such as a viewer opening its window.
class BusyNotice {
 public:
  BusyNotice(GtkWidget* window, const char* text);
  ~BusyNotice();
  BusyNotice(const BusyNotice&) = delete;
  BusyNotice& operator=(const BusyNotice&) = delete;

 private:
  GtkWidget* indicator_ = nullptr;  // weak: cleared when it goes
};

// A request the user started from a window, and the window's hold while it
// runs.
struct HeldRequest {
  PendingRequest request;
  std::optional<BusyHold> busy;
};

// Holds the window with the text and keeps a new HeldRequest on it under
// key, for the caller to fill in its request: closing the window cancels
// the request.  drop_held_request ends both; a reply handler calls it first,
// so that the window takes input again before anything is shown.
HeldRequest* hold_for_request(GtkWidget* window, const char* key, const char* text);
void drop_held_request(GtkWidget* window, const char* key);

}  // namespace kesta

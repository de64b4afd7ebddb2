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
// runs; wherever it is kept, it is the one way to pair the two.  hold()
// takes the window's input for the request that the caller then puts in
// `request`; release() ends both, and so does the holder's end.  A reply
// handler releases first, so that the window takes input again before
// anything is shown.  A request that takes no input (a timer's) is put in
// `request` without hold().
struct HeldRequest {
  void hold(GtkWidget* window, const char* text) { busy.emplace(window, text); }
  void release() noexcept {
    request.cancel();
    busy.reset();
  }

  PendingRequest request;
  std::optional<BusyHold> busy;
};

// A HeldRequest kept on the window under key, for a window that has no
// record of its own to keep it in: closing the window cancels the request.
// drop_held_request releases it and takes it off the window.
HeldRequest* hold_for_request(GtkWidget* window, const char* key, const char* text);
void drop_held_request(GtkWidget* window, const char* key);

}  // namespace kesta

// Answers the modal dialogs a test provokes and records what they said.
#pragma once

#include <gtk/gtk.h>

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "base/ptr.h"

namespace kesta::test {

struct DialogRecord {
  std::string title;    // the window title
  std::string heading;  // the first label of the content area
  std::string message;  // the other labels of the content area, joined by "\n"
};

// While it lives, every dialog that appears is recorded and answered: with
// the queued responses in turn, then with GTK_RESPONSE_OK.
class DialogRecorder {
 public:
  DialogRecorder();
  DialogRecorder(const DialogRecorder&) = delete;
  DialogRecorder& operator=(const DialogRecorder&) = delete;

  void queue_response(int response) { responses_.push_back(response); }
  // Called with each dialog before it is answered, to look at it or to fill
  // in its fields.
  void inspect_with(std::function<void(GtkDialog*)> inspect) { inspect_ = std::move(inspect); }
  // Each dialog is recorded when it appears and answered only once it has
  // been open this long, as by a user who comes back later.
  void keep_open_for(std::chrono::milliseconds length) { keep_open_ = length; }
  const std::vector<DialogRecord>& dialogs() const { return dialogs_; }

 private:
  static gboolean poll(gpointer self) noexcept;
  void record(GtkDialog* dialog, gint64 now);
  void answer(GtkDialog* dialog);

  SourcePtr source_;
  std::deque<int> responses_;
  std::function<void(GtkDialog*)> inspect_;
  std::chrono::milliseconds keep_open_{0};
  std::vector<DialogRecord> dialogs_;
};

}  // namespace kesta::test

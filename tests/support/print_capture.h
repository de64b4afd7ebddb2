// What the client prints (g_print), collected through GLib's print handler
// and still passed on to standard output, where GoogleTest's own messages go
// untouched.
#pragma once

#include <glib.h>

#include <string>
#include <vector>

#include "support/pinned.h"

namespace kesta::test {

// Collects g_print's output while it lives.
class PrintCapture : Pinned {
 public:
  PrintCapture();
  ~PrintCapture();

  const std::string& text() const { return text_; }
  // The printed lines, without their line breaks.
  std::vector<std::string> lines() const;
  int count(const std::string& line) const;
  void clear() { text_.clear(); }
  // What was printed since construction or the last take.
  std::string take();

 private:
  static void collect(const char* text) noexcept;

  std::string text_;
  GPrintFunc previous_;
};

// For a capture that spans no single scope: capture_prints starts one,
// captured_prints ends it and returns what was printed.
void capture_prints();
std::string captured_prints();

}  // namespace kesta::test

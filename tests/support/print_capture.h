// What g_print printed, caught through GLib's print handler.
#pragma once

#include <glib.h>

#include <string>
#include <vector>

namespace kesta::test {

// Collects g_print's output while it lives (and still passes it on).
class PrintCapture {
 public:
  PrintCapture();
  ~PrintCapture();
  PrintCapture(const PrintCapture&) = delete;
  PrintCapture& operator=(const PrintCapture&) = delete;

  // The printed lines, without their line breaks.
  std::vector<std::string> lines() const;
  int count(const std::string& line) const;
  void clear() { text_.clear(); }

 private:
  static void collect(const char* text) noexcept;

  std::string text_;
  GPrintFunc previous_;
};

}  // namespace kesta::test

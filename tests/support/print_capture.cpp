#include "support/print_capture.h"

#include <cstdio>
#include <memory>
#include <sstream>

namespace kesta::test {

namespace {

PrintCapture* active_capture = nullptr;
std::unique_ptr<PrintCapture> open_capture;

}  // namespace

PrintCapture::PrintCapture() : previous_(g_set_print_handler(collect)) { active_capture = this; }

PrintCapture::~PrintCapture() {
  g_set_print_handler(previous_);
  active_capture = nullptr;
}

void PrintCapture::collect(const char* text) noexcept {
  std::fputs(text, stdout);
  if (active_capture) active_capture->text_ += text;
}

std::vector<std::string> PrintCapture::lines() const {
  std::vector<std::string> result;
  std::istringstream stream(text_);
  for (std::string line; std::getline(stream, line);) result.push_back(line);
  return result;
}

int PrintCapture::count(const std::string& line) const {
  int n = 0;
  for (const std::string& l : lines()) n += l == line;
  return n;
}

std::string PrintCapture::take() {
  std::string text = std::move(text_);
  text_.clear();
  return text;
}

void capture_prints() { open_capture = std::make_unique<PrintCapture>(); }

std::string captured_prints() {
  std::string text = open_capture ? open_capture->take() : std::string();
  open_capture.reset();
  return text;
}

}  // namespace kesta::test

#include "support/temp_home.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include "base/config.h"
#include "base/ptr.h"

namespace kesta::test {

std::string home_dir() { return g_get_home_dir(); }

std::string config_path() { return config_file_path().get(); }

void write_file(const std::string& path, const std::string& text) {
  Error error;
  ASSERT_TRUE(g_file_set_contents(path.c_str(), text.data(), static_cast<gssize>(text.size()), error))
      << error.message_or("");
}

std::string read_file(const std::string& path) {
  char* text = nullptr;
  gsize length = 0;
  if (!g_file_get_contents(path.c_str(), &text, &length, nullptr)) return {};
  GCharPtr owned(text);
  return std::string(text, length);
}

void remove_file(const std::string& path) { g_unlink(path.c_str()); }

std::string make_temp_dir() {
  GCharPtr dir(g_dir_make_tmp("kesta-test-XXXXXX", nullptr));
  return dir ? dir.get() : std::string();
}

}  // namespace kesta::test

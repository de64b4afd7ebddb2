// Files of one test in the test's own home directory.
#pragma once

#include <string>

namespace kesta::test {

// The home directory the test runs in ($HOME, set by the test runner).
std::string home_dir();
// Path of the configuration file in that home.
std::string config_path();
void write_file(const std::string& path, const std::string& text);
std::string read_file(const std::string& path);
void remove_file(const std::string& path);
// A new empty directory under the system's temporary folder.
std::string make_temp_dir();

}  // namespace kesta::test

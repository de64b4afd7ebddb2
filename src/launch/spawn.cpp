#include "launch/spawn.h"

namespace kesta {

bool spawn_detached(const std::vector<std::string>& argv, GError** error) {
  if (argv.empty()) {
    g_set_error_literal(error, G_SPAWN_ERROR, G_SPAWN_ERROR_NOENT, "命令行为空");
    return false;
  }
  std::vector<char*> pointers;
  pointers.reserve(argv.size() + 1);
  // g_spawn_async takes gchar** but only reads the strings.
  for (const std::string& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  // Without G_SPAWN_DO_NOT_REAP_CHILD GLib starts the program from an
  // intermediate child that it reaps at once, so the viewer is adopted by
  // init and never becomes our zombie.  Descriptors other than 0-2 are
  // closed in the child.
  return g_spawn_async(nullptr, pointers.data(), nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr,
                       error) != FALSE;
}

}  // namespace kesta

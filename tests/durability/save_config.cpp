// Saves the client's configuration file the way the client does, for the
// durability tests:
//   save_config PATH once   loads PATH, then saves the new configuration
//                           over it; when the fault shim is preloaded the
//                           save runs under it.  Prints "calls: ..." (the
//                           system calls the shim counted) and "saved: 0|1".
//   save_config PATH loop   prints "ready", then saves the new and the old
//                           configuration in turn until it is killed.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>

#include "base/output.h"
#include "configs.h"

namespace {

using Begin = void (*)();
using End = int (*)(const char**);

int save_once(const char* path) {
  kesta::ClientConfig loaded{};
  kesta::load_config_file(path, loaded);
  // Present only when the shim is preloaded.
  const auto begin = reinterpret_cast<Begin>(dlsym(RTLD_DEFAULT, "kesta_fault_begin"));
  const auto end = reinterpret_cast<End>(dlsym(RTLD_DEFAULT, "kesta_fault_end"));
  if (begin) begin();
  const bool saved = kesta::save_config_file(path, kesta::test::new_config());
  const char* calls = "";
  if (end) end(&calls);
  std::printf("calls: %s\nsaved: %d\n", calls, saved ? 1 : 0);
  return 0;
}

int save_in_a_loop(const char* path) {
  const kesta::ClientConfig configs[] = {kesta::test::new_config(), kesta::test::old_config()};
  // One save before "ready", so that the ones the kill may hit all take the
  // same time; the file holds the old configuration then.
  kesta::save_config_file(path, configs[1]);
  std::printf("ready\n");
  std::fflush(stdout);
  for (unsigned i = 0;; ++i) kesta::save_config_file(path, configs[i % 2]);
}

}  // namespace

int main(int argc, char** argv) {
  // The client's own lines, as the client prints them.
  kesta::install_output_handler();
  if (argc == 3 && std::strcmp(argv[2], "once") == 0) return save_once(argv[1]);
  if (argc == 3 && std::strcmp(argv[2], "loop") == 0) return save_in_a_loop(argv[1]);
  std::fprintf(stderr, "usage: %s PATH once|loop\n", argv[0]);
  return 2;
}

// Resident memory of this process, for the benchmarks.
#pragma once

#include <cstdio>

namespace kesta::bench {

// VmRSS in KiB, or -1 when it cannot be read.
inline long resident_kib() {
  FILE* status = std::fopen("/proc/self/status", "r");
  if (!status) return -1;
  char line[256];
  long kib = -1;
  while (std::fgets(line, sizeof line, status))
    if (std::sscanf(line, "VmRSS: %ld kB", &kib) == 1) break;
  std::fclose(status);
  return kib;
}

}  // namespace kesta::bench

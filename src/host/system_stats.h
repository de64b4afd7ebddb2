// Memory and CPU load of the terminal, as percentages for the status report.
#pragma once

#include <json-glib/json-glib.h>

#include <optional>

namespace kesta {

// Cumulative CPU time in clock ticks, iowait counted as idle.  A total of 0
// means no sample has been taken.
struct CpuSample {
  guint64 idle = 0;
  guint64 total = 0;
};

// The aggregate "cpu" line at the start of /proc/stat's text; nothing when
// it has fewer than seven numbers.
std::optional<CpuSample> parse_cpu_sample(const char* stat_text) noexcept;

// The busy share of the time between two samples, 0 to 100; nothing without
// an earlier sample or when no tick has passed.
std::optional<double> cpu_busy_percent(CpuSample previous, CpuSample current) noexcept;

// The share of RAM in use (buffers and cache included), 0 to 100; nothing
// for a total of 0.  Both counters in the same unit.
std::optional<double> memory_used_percent(unsigned long total_ram, unsigned long free_ram) noexcept;

// The sample in the file at path (normally /proc/stat); nothing when it
// cannot be read or parsed.
std::optional<CpuSample> read_cpu_sample(const char* path) noexcept;

// Adds "memory" and then "cpu" to the object the builder is inside.  "cpu"
// is the load since the previous call of the process, so the first call has
// none; either is left out when it cannot be measured.
void add_system_stats(JsonBuilder* builder) noexcept;

}  // namespace kesta

#include "host/system_stats.h"

#include <sys/sysinfo.h>

#include <algorithm>
#include <cstdio>

#include "base/ptr.h"

namespace kesta {

namespace {

// The sample of the previous call; only the main thread measures.
CpuSample previous_sample;

}  // namespace

std::optional<CpuSample> parse_cpu_sample(const char* stat_text) noexcept {
  unsigned long long user = 0, nice = 0, system = 0, idle = 0, iowait = 0, irq = 0, softirq = 0;
  if (!stat_text || std::sscanf(stat_text, "cpu %llu %llu %llu %llu %llu %llu %llu", &user, &nice, &system,
                                &idle, &iowait, &irq, &softirq) < 7)
    return std::nullopt;
  CpuSample sample;
  sample.idle = idle + iowait;
  sample.total = user + nice + system + sample.idle + irq + softirq;
  return sample;
}

std::optional<double> cpu_busy_percent(CpuSample previous, CpuSample current) noexcept {
  // A total that did not grow gives no interval to divide by.
  if (previous.total == 0 || current.total <= previous.total) return std::nullopt;
  // iowait may run backwards on Linux; idle never counts for less than 0.
  const guint64 idle = current.idle > previous.idle ? current.idle - previous.idle : 0;
  const double idle_share =
      std::min(1.0, static_cast<double>(idle) / static_cast<double>(current.total - previous.total));
  return 100.0 * (1.0 - idle_share);
}

std::optional<double> memory_used_percent(unsigned long total_ram, unsigned long free_ram) noexcept {
  if (total_ram == 0) return std::nullopt;
  const double total = static_cast<double>(total_ram);
  return 100.0 * (total - static_cast<double>(std::min(free_ram, total_ram))) / total;
}

std::optional<CpuSample> read_cpu_sample(const char* path) noexcept {
  char* text = nullptr;
  if (!g_file_get_contents(path, &text, nullptr, nullptr)) return std::nullopt;
  const GCharPtr owned(text);
  return parse_cpu_sample(owned.get());
}

void add_system_stats(JsonBuilder* builder) noexcept {
  struct sysinfo info;
  if (sysinfo(&info) == 0) {
    if (const auto memory = memory_used_percent(info.totalram, info.freeram)) {
      json_builder_set_member_name(builder, "memory");
      json_builder_add_double_value(builder, *memory);
    }
  }
  const auto current = read_cpu_sample("/proc/stat");
  if (!current) return;
  if (const auto cpu = cpu_busy_percent(previous_sample, *current)) {
    json_builder_set_member_name(builder, "cpu");
    json_builder_add_double_value(builder, *cpu);
  }
  previous_sample = *current;
}

}  // namespace kesta

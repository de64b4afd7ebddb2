#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <json-glib/json-glib.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "base/json_read.h"
#include "base/ptr.h"
#include "host/status_message.h"
#include "host/system_stats.h"
#include "support/temp_home.h"

namespace kesta {
namespace {

// The members of a JSON object text, in the order written.
std::vector<std::string> member_names(const std::string& text) {
  Error error;
  JsonDocument document(text, error);
  std::vector<std::string> names;
  JsonObject* object = document.root_object();
  if (!object) return names;
  GList* members = json_object_get_members(object);
  for (GList* m = members; m; m = m->next) names.emplace_back(static_cast<const char*>(m->data));
  g_list_free(members);
  return names;
}

double number_member(const std::string& text, const char* name) {
  Error error;
  JsonDocument document(text, error);
  return json_object_get_double_member(document.root_object(), name);
}

// One call of add_system_stats, as an object text.
std::string measured_object() {
  auto builder = take_ref(json_builder_new());
  json_builder_begin_object(builder.get());
  add_system_stats(builder.get());
  json_builder_end_object(builder.get());
  const JsonNodePtr root(json_builder_get_root(builder.get()));
  auto generator = take_ref(json_generator_new());
  json_generator_set_root(generator.get(), root.get());
  const GCharPtr text(json_generator_to_data(generator.get(), nullptr));
  return text.get();
}

void keep_busy(std::chrono::milliseconds length) {
  const auto end = std::chrono::steady_clock::now() + length;
  volatile unsigned long spin = 0;
  while (std::chrono::steady_clock::now() < end) spin = spin + 1;
}

// Must stay the first test of this program: the first measurement of a
// process has no earlier CPU sample.
TEST(SystemStats, FirstCallHasMemoryOnlyAndLaterOnesCpuToo) {
  const std::string first = measured_object();
  EXPECT_EQ(member_names(first), std::vector<std::string>({"memory"})) << first;
  const double memory = number_member(first, "memory");
  EXPECT_GT(memory, 0.0);
  EXPECT_LE(memory, 100.0);

  keep_busy(std::chrono::milliseconds(100));
  const std::string second = measured_object();
  ASSERT_EQ(member_names(second), std::vector<std::string>({"memory", "cpu"})) << second;
  const double cpu = number_member(second, "cpu");
  EXPECT_GT(cpu, 0.0) << "this thread kept a core busy";
  EXPECT_LE(cpu, 100.0);
}

TEST(SystemStats, CpuLoadBetweenTwoSamples) {
  struct Row {
    const char* what;
    CpuSample previous;
    CpuSample current;
    std::optional<double> busy;
  };
  const Row rows[] = {
      {"no earlier sample", {0, 0}, {500, 1000}, std::nullopt},
      {"no tick between the calls", {500, 1000}, {500, 1000}, std::nullopt},
      {"a total that went back", {500, 1000}, {400, 900}, std::nullopt},
      {"idle throughout", {500, 1000}, {600, 1100}, 0.0},
      {"busy throughout", {500, 1000}, {500, 1100}, 100.0},
      {"a quarter busy", {500, 1000}, {650, 1200}, 25.0},
      {"idle that ran backwards", {500, 1000}, {490, 1100}, 100.0},
      {"more idle than time passed", {500, 1000}, {700, 1100}, 0.0},
      {"counters near the top",
       {G_MAXUINT64 - 300, G_MAXUINT64 - 200},
       {G_MAXUINT64 - 250, G_MAXUINT64},
       75.0},
  };
  for (const Row& row : rows) {
    const std::optional<double> busy = cpu_busy_percent(row.previous, row.current);
    ASSERT_EQ(busy.has_value(), row.busy.has_value()) << row.what;
    if (busy) {
      EXPECT_DOUBLE_EQ(*busy, *row.busy) << row.what;
    }
  }
}

TEST(SystemStats, ReadsTheAggregateLine) {
  struct Row {
    const char* text;
    std::optional<CpuSample> sample;
  };
  const Row rows[] = {
      // user nice system idle iowait irq softirq [steal guest guest_nice]
      {"cpu  10 20 30 400 50 6 7 8 9 10\ncpu0 1 2 3 4 5 6 7 8 9 10\n", CpuSample{450, 523}},
      {"cpu 1 2 3 4 5 6 7\n", CpuSample{9, 28}},
      {"cpu 0 0 0 0 0 0 0", CpuSample{0, 0}},
      {"cpu 1 2 3 4 5 6\n", std::nullopt},
      {"cpu 1 2 3 x 5 6 7\n", std::nullopt},
      {"intr 1 2 3 4 5 6 7\n", std::nullopt},
      {"", std::nullopt},
  };
  for (const Row& row : rows) {
    const std::optional<CpuSample> sample = parse_cpu_sample(row.text);
    ASSERT_EQ(sample.has_value(), row.sample.has_value()) << row.text;
    if (!sample) continue;
    EXPECT_EQ(sample->idle, row.sample->idle) << row.text;
    EXPECT_EQ(sample->total, row.sample->total) << row.text;
  }
  EXPECT_FALSE(parse_cpu_sample(nullptr));
}

TEST(SystemStats, MemoryInUse) {
  EXPECT_DOUBLE_EQ(*memory_used_percent(1000, 250), 75.0);
  EXPECT_DOUBLE_EQ(*memory_used_percent(1000, 1000), 0.0);
  EXPECT_DOUBLE_EQ(*memory_used_percent(1000, 0), 100.0);
  EXPECT_DOUBLE_EQ(*memory_used_percent(1000, 2000), 0.0);
  EXPECT_FALSE(memory_used_percent(0, 0));
}

TEST(SystemStats, SampleFiles) {
  const std::string dir = test::make_temp_dir();
  const std::string path = dir + "/stat";
  test::write_file(path, "cpu  1 1 1 10 2 1 1 0 0 0\n");
  const auto sample = read_cpu_sample(path.c_str());
  ASSERT_TRUE(sample);
  EXPECT_EQ(sample->idle, 12u);
  EXPECT_EQ(sample->total, 17u);
  test::remove_file(path);
  EXPECT_FALSE(read_cpu_sample(path.c_str())) << "an unreadable file gives no sample";
  g_rmdir(dir.c_str());

  const auto real = read_cpu_sample("/proc/stat");
  ASSERT_TRUE(real);
  EXPECT_GT(real->total, real->idle);
}

TEST(StatusMessage, MembersInOrderCompactAndValidText) {
  keep_busy(std::chrono::milliseconds(50));
  const std::string text = status_message("终端-01");
  ASSERT_EQ(member_names(text), std::vector<std::string>({"type", "memory", "cpu", "hostname"})) << text;
  EXPECT_EQ(text.rfind(R"({"type":"status","memory":)", 0), 0u) << text;
  EXPECT_NE(text.find(R"(,"hostname":"终端-01"})"), std::string::npos) << text;
  EXPECT_EQ(text.find_first_of(" \n"), std::string::npos) << "compact: " << text;

  const std::string odd = status_message("bad\xff\xfehost\"");
  EXPECT_TRUE(g_utf8_validate(odd.c_str(), -1, nullptr)) << "a text frame takes UTF-8 only";
  EXPECT_NE(odd.find(R"("hostname":"bad)"), std::string::npos) << odd;
  EXPECT_NE(odd.find(R"(host\"")"), std::string::npos) << odd;
}

}  // namespace
}  // namespace kesta

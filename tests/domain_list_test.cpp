// The domain list reply, read into what the registration dialog offers.
#include <gtest/gtest.h>

#include <glib.h>

#include <string>
#include <vector>

#include "api/domain_list.h"

namespace kesta {
namespace {

std::string reply_of(const std::vector<std::string>& names) {
  std::string body = R"({"success":true,"data":{"list":[)";
  for (const std::string& name : names) body += (body.back() == '[' ? "" : ",") + (R"({"domain":")" + name + "\"}");
  return body + "]}}";
}

std::string repeat(const std::string& piece, std::size_t count) {
  std::string text;
  text.reserve(piece.size() * count);
  for (std::size_t i = 0; i < count; ++i) text += piece;
  return text;
}

// What parse printed while it ran.
std::string printed;
void record_print(const char* text) noexcept { printed += text; }

TEST(DomainList, AHugeNameIsCutOnACharacterBoundary) {
  const std::size_t huge = 4 * 1024 * 1024;
  struct Row {
    std::string name;
    std::string kept;
  } rows[] = {
      {repeat("a", huge), repeat("a", 255)},
      // Two-byte characters: 127 fit, the 128th would cross 255 bytes.
      {repeat("é", huge / 2), repeat("é", 127)},
      {repeat("域", huge / 3), repeat("域", 85)},
      {repeat("b", 256), repeat("b", 255)},
      {repeat("c", 255), repeat("c", 255)},
      {"corp", "corp"},
  };
  for (const Row& row : rows) {
    printed.clear();
    const GPrintFunc previous = g_set_print_handler(record_print);
    const std::vector<std::string> names = parse_domain_list(reply_of({row.name})).record;
    g_set_print_handler(previous);
    EXPECT_EQ(names, std::vector<std::string>{row.kept}) << row.name.size();
    EXPECT_NE(printed.find("DEBUG: 添加域名: " + row.kept + "\n"), std::string::npos);
    EXPECT_LT(printed.size(), 1024u) << "the log takes the cut name only";
  }
}

TEST(DomainList, AtMostAThousandNamesAreTaken) {
  std::vector<std::string> sent;
  for (int i = 0; i < 1500; ++i) sent.push_back("d" + std::to_string(i));
  const std::vector<std::string> names = parse_domain_list(reply_of(sent)).record;
  EXPECT_EQ(names, std::vector<std::string>(sent.begin(), sent.begin() + 1000));
  // Skipped elements do not count.
  std::string body = reply_of(sent);
  body.replace(body.find("[") + 1, 0, "1,null,");
  EXPECT_EQ(parse_domain_list(body).record, names);
}

}  // namespace
}  // namespace kesta

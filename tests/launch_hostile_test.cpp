// Values from the service or the user that would be options, quotes or
// several arguments if a command line were split: each stays exactly one
// argument, and the length limit never cuts an argument.
#include <gtest/gtest.h>

#include <functional>
#include <numeric>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/json_read.h"
#include "launch/horizon.h"
#include "launch/rdp.h"
#include "launch/spice.h"
#include "launch/viewer.h"

namespace kesta {
namespace {

using Argv = std::vector<std::string>;

const std::string kMark = "MARK";

std::vector<std::string> hostile_values() {
  return {"a b",
          "\"",
          "'",
          "\\",
          "x /drive:r,/",
          "+home-drive",
          "/drive:all,/",
          "--spice-debug",
          "\"a b\" 'c d' \\\"",
          "line\nbreak",
          "cr\rlf",
          "\xff\xfe\x80 invalid UTF-8",
          "$(touch /tmp/kesta-pwned) `id` ; | &",
          "~/",
          "",
          std::string(64 * 1024, 'K') + " /x",
          "中文 密码"};
}

// One field of a builder's input; build(value) builds the argument vector
// with that value in the field and ordinary values elsewhere.
struct Field {
  std::string name;
  std::function<Argv(const std::string&)> build;
};

// The element holding the mark holds the hostile value in the same place;
// every other element and the count stay as they were.
void expect_one_argument(const Field& field) {
  const Argv marked = field.build(kMark);
  std::size_t index = marked.size();
  for (std::size_t i = 0; i < marked.size(); ++i)
    if (marked[i].find(kMark) != std::string::npos) index = i;
  ASSERT_LT(index, marked.size()) << field.name << " reaches no argument";
  const std::string prefix = marked[index].substr(0, marked[index].find(kMark));
  const std::string suffix = marked[index].substr(marked[index].find(kMark) + kMark.size());
  for (const std::string& value : hostile_values()) {
    Argv expected = marked;
    expected[index] = prefix + value + suffix;
    EXPECT_EQ(field.build(value), expected) << field.name << " = " << value.substr(0, 40);
  }
}

RdpSettings ordinary_rdp() {
  RdpSettings s;
  s.program = "/usr/bin/xfreerdp";
  s.address = "10.0.0.5";
  s.account_user = "pool";
  s.account_password = "poolpw";
  s.login_user = "alice";
  s.login_password = "loginpw";
  s.gateway = RdpGateway{"public", "gw.example", "gwu", "gwpw"};
  s.resource = ResourceFlags{};
  s.resource->usbs = true;
  s.display.network = "lan";
  return s;
}

Field rdp_field(const std::string& name, const std::function<void(RdpSettings&, const std::string&)>& set) {
  return {"rdp " + name, [set](const std::string& value) {
            RdpSettings s = ordinary_rdp();
            set(s, value);
            return rdp_arguments(s);
          }};
}

TEST(HostileValues, EachRdpValueStaysOneArgument) {
  const std::vector<Field> fields = {
      rdp_field("address", [](RdpSettings& s, const std::string& v) { s.address = v; }),
      rdp_field("address with port",
                [](RdpSettings& s, const std::string& v) {
                  s.address = v;
                  s.port = 3390;
                }),
      rdp_field("account user", [](RdpSettings& s, const std::string& v) { s.account_user = v; }),
      rdp_field("login user",
                [](RdpSettings& s, const std::string& v) {
                  s.account_type = "ad";
                  s.gateway.reset();
                  s.login_user = v;
                }),
      rdp_field("gateway address", [](RdpSettings& s, const std::string& v) { s.gateway->address = v; }),
      rdp_field("gateway user", [](RdpSettings& s, const std::string& v) { s.gateway->user = v; }),
      rdp_field("network", [](RdpSettings& s, const std::string& v) { s.display.network = v; }),
  };
  for (const Field& field : fields) expect_one_argument(field);
}

// A line of FreeRDP's standard input, or nothing for a value no line holds.
std::optional<std::string> as_line(const std::string& value) {
  if (value.find_first_of(std::string_view("\n\r\0", 3)) != std::string::npos) return std::nullopt;
  return value + "\n";
}

TEST(HostileValues, PasswordsReachStandardInputOnly) {
  struct Row {
    const char* name;
    std::function<void(RdpSettings&, const std::string&)> set;
    std::function<std::optional<std::string>(const std::string&)> input;
  } rows[] = {
      {"account password", [](RdpSettings& s, const std::string& v) { s.account_password = v; },
       [](const std::string& v) { return as_line(v) ? std::optional<std::string>(*as_line(v) + "gwpw\n") : std::nullopt; }},
      {"gateway password", [](RdpSettings& s, const std::string& v) { s.gateway->password = v; },
       [](const std::string& v) { return as_line(v) ? std::optional<std::string>("poolpw\n" + *as_line(v)) : std::nullopt; }},
      {"login password",
       [](RdpSettings& s, const std::string& v) {
         s.account_type = "none";
         s.gateway.reset();
         s.login_password = v;
       },
       as_line},
  };
  for (const Row& row : rows) {
    RdpSettings marked = ordinary_rdp();
    row.set(marked, kMark);
    for (const std::string& value : hostile_values()) {
      RdpSettings s = ordinary_rdp();
      row.set(s, value);
      EXPECT_EQ(rdp_arguments(s), rdp_arguments(marked)) << row.name << " = " << value.substr(0, 40);
      EXPECT_EQ(rdp_standard_input(s), row.input(value)) << row.name << " = " << value.substr(0, 40);
    }
  }
}

TEST(HostileValues, TheAccountNameAsPasswordIsOneArgumentAndOneLine) {
  for (const std::string& value : hostile_values()) {
    RdpSettings s = ordinary_rdp();
    s.account_type = "user";
    s.account_user = value;
    const Argv argv = rdp_arguments(s);
    EXPECT_EQ(argv.size(), rdp_arguments(ordinary_rdp()).size());
    EXPECT_EQ(argv.at(3), "/u:" + value);
    const std::optional<std::string> line = as_line(value);
    EXPECT_EQ(rdp_standard_input(s), line ? std::optional<std::string>(*line + "gwpw\n") : std::nullopt);
  }
}

TEST(HostileValues, DecodeAndGatewayTypeOnlyChooseFixedOptions) {
  for (const std::string& value : hostile_values()) {
    if (value.empty()) continue;
    RdpSettings s = ordinary_rdp();
    s.display.decode = value;
    s.gateway->type = value;
    s.account_type = value;
    for (const std::string& argument : rdp_arguments(s))
      EXPECT_EQ(argument.find(value), std::string::npos) << value.substr(0, 40);
  }
}

TEST(HostileValues, EachRdpValueFromTheReplyStaysOneArgument) {
  // The same through the JSON reply: values with quotes, backslashes and
  // line breaks in JSON text.
  for (const std::string& value : hostile_values()) {
    JsonNodePtr node(json_node_new(JSON_NODE_OBJECT));
    JsonObject* pool = json_object_new();
    json_node_take_object(node.get(), pool);
    json_object_set_string_member(pool, "accountUser", value.c_str());
    json_object_set_string_member(pool, "accountPassword", value.c_str());
    json_object_set_boolean_member(pool, "usegw", TRUE);
    JsonObject* gw = json_object_new();
    json_object_set_string_member(gw, "gwtype", "public");
    json_object_set_string_member(gw, "gwaddr", value.c_str());
    json_object_set_string_member(gw, "gwuser", value.c_str());
    json_object_set_object_member(pool, "gw", gw);
    const LaunchRequest request{value, "alice", "pw", read_pool_settings(pool)};
    const RdpSettings settings = read_rdp_settings(request, ViewerPaths{});
    const Argv argv = rdp_arguments(settings);
    ASSERT_EQ(argv.size(), 1 + 1 + 2 + 3 + 1 + 1 + 12u) << value.substr(0, 40);
    EXPECT_EQ(argv[1], "/v:" + value);
    EXPECT_EQ(argv[2], "/from-stdin:force");
    EXPECT_EQ(argv[3], "/u:" + value);
    EXPECT_EQ(argv[4], "/g:" + value);
    EXPECT_EQ(argv[6], "/gu:" + value);
    const std::optional<std::string> line = as_line(value);
    EXPECT_EQ(rdp_standard_input(settings), line ? std::optional<std::string>(*line + "\n") : std::nullopt);
  }
}

TEST(HostileValues, EachSpiceValueStaysOneArgument) {
  ResourceFlags flags;
  flags.debug = true;
  const std::vector<Field> fields = {
      {"spice file path",
       [flags](const std::string& v) {
         return spice_arguments("/usr/bin/remote-viewer", "/tmp/" + v + ".spice", flags, "/home/u");
       }},
      {"spice home directory",
       [flags](const std::string& v) {
         ResourceFlags f = flags;
         f.home = true;
         return spice_arguments("/usr/bin/remote-viewer", "-", f, v);
       }},
      {"spice usb filter",
       [flags](const std::string& v) {
         ResourceFlags f = flags;
         f.usbfilter = v;
         return spice_arguments("/usr/bin/remote-viewer", "/tmp/vm.spice", f, "/home/u");
       }},
  };
  for (const Field& field : fields) expect_one_argument(field);
}

TEST(HostileValues, EachHorizonValueStaysOneArgument) {
  auto horizon_field = [](const std::string& name,
                          const std::function<void(HorizonSettings&, const std::string&)>& set) {
    return Field{"horizon " + name, [set](const std::string& value) {
                   HorizonSettings s{"/usr/bin/vmware-view", "blast", "10.0.0.7", "alice", "pw",
                                     ResourceFlags{}};
                   set(s, value);
                   return horizon_arguments(s);
                 }};
  };
  const std::vector<Field> fields = {
      horizon_field("protocol", [](HorizonSettings& s, const std::string& v) { s.protocol = v; }),
      horizon_field("address", [](HorizonSettings& s, const std::string& v) { s.address = v; }),
      horizon_field("user", [](HorizonSettings& s, const std::string& v) { s.user = v; }),
      horizon_field("password", [](HorizonSettings& s, const std::string& v) { s.password = v; }),
  };
  for (const Field& field : fields) expect_one_argument(field);
}

std::size_t line_length(const Argv& argv) {
  if (argv.empty()) return 0;
  return std::accumulate(argv.begin(), argv.end(), argv.size() - 1,
                         [](std::size_t sum, const std::string& a) { return sum + a.size(); });
}

TEST(CommandLineLimit, ShortLinesAreKept) {
  const Argv argv = {"/usr/bin/xfreerdp", "/v:h", "/f"};
  EXPECT_EQ(fit_command_line(argv), argv);
  EXPECT_EQ(fit_command_line({}), Argv());
}

TEST(CommandLineLimit, ArgumentsAreDroppedWholeFromTheFirstThatCrossesTheLimit) {
  // Three arguments that fill the line to the byte: 100 + 1 + 3893 + 1 + 100.
  const Argv exact = {std::string(100, 'p'), std::string(3893, 'a'), std::string(100, 'b')};
  ASSERT_EQ(line_length(exact), kMaxCommandLine);
  EXPECT_EQ(fit_command_line(exact), exact);

  Argv over = exact;
  over.back() += "b";
  EXPECT_EQ(fit_command_line(over), Argv(exact.begin(), exact.end() - 1));

  const Argv huge_middle = {"/usr/bin/xfreerdp", "/v:h", "/u:" + std::string(5000, 'x'), "/f",
                            "/cert-ignore"};
  EXPECT_EQ(fit_command_line(huge_middle), Argv({"/usr/bin/xfreerdp", "/v:h"}))
      << "what follows a dropped argument goes as well, as it would after a cut";
}

TEST(CommandLineLimit, AHostileLineIsAPrefixOfWholeArguments) {
  for (const std::string& value : hostile_values()) {
    RdpSettings s = ordinary_rdp();
    s.login_user = value;
    s.account_type = "ad";
    const Argv full = rdp_arguments(s);
    const Argv fitted = fit_command_line(full);
    EXPECT_LE(line_length(fitted), kMaxCommandLine);
    ASSERT_LE(fitted.size(), full.size());
    EXPECT_TRUE(std::equal(fitted.begin(), fitted.end(), full.begin())) << value.substr(0, 40);
    if (line_length(full) <= kMaxCommandLine) {
      EXPECT_EQ(fitted, full);
    }
  }
}

}  // namespace
}  // namespace kesta

// The FreeRDP command line, built from the pool settings as the service
// sends them.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "base/cipher.h"
#include "base/json_read.h"
#include "launch/rdp.h"

namespace kesta {
namespace {

using Argv = std::vector<std::string>;

const Argv kTail = {"+auto-reconnect", "/auto-reconnect-max-retries:3", "/cert-ignore",
                    "/t:KESTA Remote Desktop", "/dynamic-resolution", "+multitouch", "/gdi:hw",
                    "+gestures", "/compression-level:2", "/codec-cache:rfx", "+gfx-progressive",
                    "+bitmap-cache"};

Argv operator+(Argv a, const Argv& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

RdpSettings settings_of(const std::string& pool_text, std::string_view user = "alice",
                        std::string_view password = "login-pw") {
  JsonObjectPtr pool = parse_object(pool_text.c_str());
  EXPECT_TRUE(pool) << pool_text;
  const LaunchRequest request{"10.0.0.5", user, password, read_pool_settings(pool.get())};
  return read_rdp_settings(request, ViewerPaths{});
}

Argv argv_of(const std::string& pool_text, std::string_view user = "alice",
             std::string_view password = "login-pw") {
  return rdp_arguments(settings_of(pool_text, user, password));
}

std::optional<std::string> input_of(const std::string& pool_text, std::string_view user = "alice",
                                    std::string_view password = "login-pw") {
  return rdp_standard_input(settings_of(pool_text, user, password));
}

// The arguments between "/f" and the fixed tail.
Argv display_part(const Argv& argv) {
  auto full_screen = std::find(argv.begin(), argv.end(), "/f");
  EXPECT_NE(full_screen, argv.end());
  EXPECT_GE(argv.end() - full_screen, static_cast<std::ptrdiff_t>(kTail.size()) + 1);
  return Argv(full_screen + 1, argv.end() - static_cast<std::ptrdiff_t>(kTail.size()));
}

// The arguments between the user name (or the target, without one) and "/f".
Argv middle_part(const Argv& argv) {
  auto full_screen = std::find(argv.begin(), argv.end(), "/f");
  EXPECT_NE(full_screen, argv.end());
  auto start = argv.begin() + 2;
  if (start != full_screen && *start == "/from-stdin:force") ++start;
  if (start != full_screen && start->starts_with("/u:")) ++start;
  return Argv(start, full_screen);
}

std::string encrypted(const char* text) { return encrypt_password(text).get(); }

TEST(RdpCommand, TheWorkedExample) {
  // Type "freerdp2", no port, account type "ad", no gateway, no resource, no
  // display parameters, a login name and an empty password.
  EXPECT_EQ(argv_of(R"({"connecttype":"freerdp2","accounttype":"ad"})", "alice", ""),
            Argv({"/usr/bin/xfreerdp", "/v:10.0.0.5", "/from-stdin:force", "/u:alice", "/f", "/network:auto"}) +
                kTail);
  EXPECT_EQ(input_of(R"({"connecttype":"freerdp2","accounttype":"ad"})", "alice", ""), "\n");
}

TEST(RdpCommand, TheTitleIsOneArgumentWithoutQuotes) {
  const Argv argv = argv_of("{}");
  EXPECT_NE(std::find(argv.begin(), argv.end(), "/t:KESTA Remote Desktop"), argv.end());
}

TEST(RdpCommand, ProgramByConnectionType) {
  const ViewerPaths paths;
  struct Row {
    const char* type;
    const std::string& program;
  } rows[] = {{"freerdp3", paths.xfreerdp3}, {"freerdp2", paths.xfreerdp}, {"all", paths.xfreerdp},
              {"", paths.xfreerdp},          {"FREERDP3", paths.xfreerdp}, {"freerdp", paths.xfreerdp}};
  for (const Row& row : rows) {
    EXPECT_EQ(rdp_program(row.type, paths), row.program) << row.type;
    EXPECT_EQ(argv_of(std::string(R"({"connecttype":")") + row.type + "\"}").front(), row.program)
        << row.type;
  }
  EXPECT_EQ(argv_of("{}").front(), "/usr/bin/xfreerdp") << "no type";
  EXPECT_EQ(argv_of(R"({"connecttype":3})").front(), "/usr/bin/xfreerdp") << "a number";
}

TEST(RdpCommand, PortSuffixOnlyWhenNotTheDefault) {
  struct Row {
    const char* pool;
    const char* target;
  } rows[] = {
      {"{}", "/v:10.0.0.5"},
      {R"({"rdpport":3389})", "/v:10.0.0.5"},
      {R"({"rdpport":3390})", "/v:10.0.0.5:3390"},
      {R"({"rdpport":0})", "/v:10.0.0.5:0"},
      {R"({"rdpport":"3390"})", "/v:10.0.0.5"},
      {R"({"rdpport":3390.5})", "/v:10.0.0.5"},
      {R"({"rdpport":null})", "/v:10.0.0.5"},
  };
  for (const Row& row : rows) EXPECT_EQ(argv_of(row.pool).at(1), row.target) << row.pool;
}

TEST(RdpCommand, CredentialsByAccountType) {
  const std::string secret = encrypted("pool-secret");
  struct Row {
    std::string pool;
    Argv credentials;  // after the target
    std::string input;
  } rows[] = {
      {R"({"accountUser":"pooluser","accountPassword":")" + secret + "\"}",
       {"/from-stdin:force", "/u:pooluser"}, "pool-secret\n"},
      {R"({"accounttype":"all","accountUser":"pooluser","accountPassword":")" + secret + "\"}",
       {"/from-stdin:force", "/u:pooluser"}, "pool-secret\n"},
      {R"({"accounttype":"all","accountUser":"pooluser"})", {"/from-stdin:force", "/u:pooluser"}, "\n"},
      {R"({"accounttype":"all"})", {"/from-stdin:force", "/u:"}, "\n"},
      {R"({"accounttype":"user","accountUser":"pooluser","accountPassword":")" + secret + "\"}",
       {"/from-stdin:force", "/u:pooluser"}, "pooluser\n"},
      {R"({"accounttype":"ad","accountUser":"pooluser","accountPassword":")" + secret + "\"}",
       {"/from-stdin:force", "/u:alice"}, "login-pw\n"},
      {R"({"accounttype":"none","accountUser":"pooluser"})", {"/from-stdin:force", "/u:alice"}, "login-pw\n"},
      {R"({"accounttype":"AD","accountUser":"pooluser"})", {}, ""},
      {R"({"accounttype":"domain","accountUser":"pooluser"})", {}, ""},
      {R"({"accounttype":7,"accountUser":"pooluser"})", {"/from-stdin:force", "/u:pooluser"}, "\n"},
  };
  for (const Row& row : rows) {
    const Argv argv = argv_of(row.pool);
    const Argv expected = Argv({"/usr/bin/xfreerdp", "/v:10.0.0.5"}) + row.credentials + Argv({"/f"});
    EXPECT_EQ(Argv(argv.begin(), argv.begin() + static_cast<std::ptrdiff_t>(expected.size())), expected)
        << row.pool;
    EXPECT_EQ(input_of(row.pool), row.input) << row.pool;
  }
}

TEST(RdpCommand, AnUndecryptablePasswordIsPassedAsReceived) {
  EXPECT_EQ(input_of(R"({"accountUser":"u","accountPassword":"not hex at all"})"), "not hex at all\n");
}

TEST(RdpCommand, GatewayOptions) {
  const std::string gw_secret = encrypted("gw-secret");
  const std::string public_gw =
      R"({"gwtype":"public","gwaddr":"gw.example","gwuser":"gwu","gwpassword":")" + gw_secret + "\"}";
  struct Row {
    std::string pool;
    Argv gateway;
    std::string input;  // after the session password's line
  } rows[] = {
      {R"({"usegw":true,"gw":)" + public_gw + "}",
       {"/g:gw.example", "/gt:auto,no-websockets", "/gu:gwu"}, "gw-secret\n"},
      {R"({"usegw":true,"gw":{"gwtype":"public","gwaddr":"gw.example"}})",
       {"/g:gw.example", "/gt:auto,no-websockets", "/gu:"}, "\n"},
      {R"({"usegw":true,"gw":{"gwtype":"ad","gwaddr":"gw.example","gwuser":"gwu"}})",
       {"/g:gw.example", "/gt:auto,no-websockets", "/gu:alice"}, "login-pw\n"},
      {R"({"usegw":true,"gw":{"gwaddr":"gw.example"}})", {"/g:gw.example", "/gt:auto,no-websockets"}, ""},
      {R"({"usegw":true,"gw":{"gwtype":"","gwaddr":"gw.example"}})",
       {"/g:gw.example", "/gt:auto,no-websockets"}, ""},
      {R"({"usegw":true,"gw":{"gwtype":"other","gwaddr":"gw.example"}})",
       {"/g:gw.example", "/gt:auto,no-websockets"}, ""},
      {R"({"usegw":true,"gw":{}})", {"/g:", "/gt:auto,no-websockets"}, ""},
      {R"({"usegw":true})", {}, ""},
      {R"({"usegw":false,"gw":)" + public_gw + "}", {}, ""},
      {R"({"gw":)" + public_gw + "}", {}, ""},
      {R"({"usegw":"true","gw":)" + public_gw + "}", {}, ""},
      {R"({"usegw":true,"gw":5})", {}, ""},
      {R"({"usegw":true,"gw":"{\"gwaddr\":\"x\"}"})", {}, ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(middle_part(argv_of(row.pool)), row.gateway) << row.pool;
    EXPECT_EQ(input_of(row.pool), "\n" + row.input) << row.pool;
  }
}

TEST(RdpCommand, AGatewayAccountAloneStillAnswersThePasswordPromptFirst) {
  // FreeRDP asks for the password whenever /p: is missing, with or without
  // a user name; the gateway's comes second.
  const std::string pool =
      R"({"accounttype":"other","usegw":true,"gw":{"gwtype":"ad","gwaddr":"gw"}})";
  const Argv argv = argv_of(pool);
  EXPECT_EQ(Argv(argv.begin(), argv.begin() + 6),
            Argv({"/usr/bin/xfreerdp", "/v:10.0.0.5", "/from-stdin:force", "/g:gw", "/gt:auto,no-websockets",
                  "/gu:alice"}));
  EXPECT_EQ(input_of(pool), "\nlogin-pw\n");
}

TEST(RdpCommand, RedirectionFlagsInTheirOrder) {
  struct Row {
    const char* flag;
    Argv options;
  } rows[] = {
      {"usbs", {"/usb:auto"}},     {"sounds", {"/sound"}},       {"drives", {"+drives", "/drive:hotplug,*"}},
      {"mic", {"/microphone"}},    {"clipboard", {"/clipboard"}}, {"printers", {"/printer"}},
      {"multimon", {"/multimon"}}, {"serial", {"/serial"}},       {"home", {"+home-drive"}},
  };
  Argv all;
  std::string all_true = "{";
  for (const Row& row : rows) {
    const std::string on = std::string(R"({"resource":"{\")") + row.flag + R"(\":true}"})";
    const std::string off = std::string(R"({"resource":"{\")") + row.flag + R"(\":false}"})";
    EXPECT_EQ(middle_part(argv_of(on)), row.options) << row.flag;
    EXPECT_EQ(middle_part(argv_of(off)), Argv()) << row.flag;
    all = all + row.options;
    all_true += std::string(all_true.size() > 1 ? "," : "") + "\\\"" + row.flag + "\\\":true";
  }
  all_true += "}";
  EXPECT_EQ(middle_part(argv_of(R"({"resource":")" + all_true + "\"}")), all);
  // "debug" and "usbfilter" are SPICE's.
  EXPECT_EQ(middle_part(argv_of(R"({"resource":"{\"debug\":true,\"usbfilter\":\"-1,-1,-1,-1,1\"}"})")),
            Argv());
}

TEST(RdpCommand, ResourceThatIsNotAnObjectTextAddsNothing) {
  for (const char* pool : {R"({"resource":"not json"})", R"({"resource":"[true]"})", R"({"resource":""})",
                           R"({"resource":{"usbs":true}})", R"({"resource":true})"})
    EXPECT_EQ(middle_part(argv_of(pool)), Argv()) << pool;
}

TEST(RdpCommand, DisplayParameters) {
  struct Row {
    const char* pool;
    Argv display;
  } rows[] = {
      {"{}", {"/network:auto"}},
      {R"({"connectparam":"{}"})", {"/network:auto"}},
      {R"({"connectparam":"not json"})", {}},
      {R"({"connectparam":"[1]"})", {}},
      {R"({"connectparam":"{\"bpp\":16}"})", {"/bpp:16", "/network:auto"}},
      {R"({"connectparam":"{\"decode\":\"444\"}"})", {"/gfx:avc444", "/network:auto"}},
      {R"({"connectparam":"{\"decode\":\"420\"}"})", {"/gfx:avc420", "/network:auto"}},
      {R"({"connectparam":"{\"decode\":\"400\"}"})", {"/gfx:rfx", "/network:auto"}},
      {R"({"connectparam":"{\"decode\":\"999\"}"})", {"/network:auto"}},
      {R"({"connectparam":"{\"network\":\"lan\"}"})", {"/network:lan"}},
      {R"({"connectparam":"{\"bpp\":32,\"decode\":\"420\",\"network\":\"wan\"}"})",
       {"/bpp:32", "/gfx:avc420", "/network:wan"}},
      // Members of the wrong type count as absent.
      {R"({"connectparam":"{\"bpp\":\"16\",\"decode\":444,\"network\":true}"})", {"/network:auto"}},
      {R"({"connectparam":{"bpp":16}})", {"/network:auto"}},
      {R"({"connectparam":5})", {"/network:auto"}},
  };
  for (const Row& row : rows) EXPECT_EQ(display_part(argv_of(row.pool)), row.display) << row.pool;
}

TEST(RdpCommand, EverythingOnInTheirOrder) {
  const std::string pool =
      R"({"connecttype":"freerdp3","rdpport":3390,"accounttype":"user","accountUser":"pu",)"
      R"("usegw":true,"gw":{"gwtype":"ad","gwaddr":"gw"},)"
      R"("resource":"{\"usbs\":true,\"home\":true}",)"
      R"("connectparam":"{\"bpp\":24,\"decode\":\"400\",\"network\":\"lan\"}"})";
  EXPECT_EQ(argv_of(pool), Argv({"/usr/bin/xfreerdp3", "/v:10.0.0.5:3390", "/from-stdin:force", "/u:pu", "/g:gw",
                                 "/gt:auto,no-websockets", "/gu:alice", "/usb:auto", "+home-drive", "/f",
                                 "/bpp:24", "/gfx:rfx", "/network:lan"}) +
                               kTail);
  EXPECT_EQ(input_of(pool), "pu\nlogin-pw\n");
}

TEST(RdpCommand, NoPoolAtAllGivesTheDefaults) {
  const LaunchRequest request{"h", "u", "p", read_pool_settings(nullptr)};
  EXPECT_EQ(rdp_arguments(read_rdp_settings(request, ViewerPaths{})),
            Argv({"/usr/bin/xfreerdp", "/v:h", "/from-stdin:force", "/u:", "/f", "/network:auto"}) + kTail);
}

}  // namespace
}  // namespace kesta

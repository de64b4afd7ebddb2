// Members of the wrong JSON type read as absent, quietly: the tests run with
// criticals fatal, so an accessor that complained would end the test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "api/pool_settings.h"
#include "base/json_read.h"
#include "launch/horizon.h"
#include "launch/rdp.h"
#include "launch/spice_file.h"

namespace kesta {
namespace {

// One member "m" of each JSON kind.
const char* const kKinds[] = {R"({"m":null})",  R"({"m":true})",  R"({"m":false})", R"({"m":7})",
                              R"({"m":7.5})",   R"({"m":"7"})",   R"({"m":""})",    R"({"m":{}})",
                              R"({"m":{"a":1}})", R"({"m":[]})", R"({"m":[1]})",  R"({})"};

JsonObjectPtr object_of(const char* text) {
  JsonObjectPtr object = parse_object(text);
  EXPECT_TRUE(object) << text;
  return object;
}

TEST(JsonMember, TextOnlyFromStrings) {
  for (const char* kind : kKinds) {
    JsonObjectPtr o = object_of(kind);
    const char* value = string_member(o.get(), "m");
    if (std::string(kind) == R"({"m":"7"})")
      EXPECT_STREQ(value, "7");
    else if (std::string(kind) == R"({"m":""})")
      EXPECT_STREQ(value, "");
    else
      EXPECT_EQ(value, nullptr) << kind;
  }
  EXPECT_EQ(string_member(nullptr, "m"), nullptr);
  EXPECT_EQ(text_or_empty(nullptr, "m"), "");
}

TEST(JsonMember, IntegerOnlyFromWholeNumbers) {
  for (const char* kind : kKinds) {
    JsonObjectPtr o = object_of(kind);
    EXPECT_EQ(int_member(o.get(), "m"), std::string(kind) == R"({"m":7})" ? std::optional<gint64>(7)
                                                                              : std::nullopt)
        << kind;
  }
  EXPECT_EQ(int_member(object_of(R"({"m":-9007199254740993})").get(), "m"), -9007199254740993);
  EXPECT_EQ(int_member(nullptr, "m"), std::nullopt);
}

TEST(JsonMember, FlagFromBooleansAndNumbers) {
  struct Row {
    const char* kind;
    std::optional<bool> flag;
  } rows[] = {{R"({"m":true})", true},
              {R"({"m":false})", false},
              {R"({"m":7})", true},
              {R"({"m":0})", false},
              {R"({"m":0.5})", true},
              {R"({"m":null})", std::nullopt},
              {R"({"m":"true"})", std::nullopt},
              {R"({"m":{}})", std::nullopt},
              {R"({"m":[true]})", std::nullopt},
              {R"({})", std::nullopt}};
  for (const Row& row : rows) EXPECT_EQ(flag_member(object_of(row.kind).get(), "m"), row.flag) << row.kind;
  EXPECT_EQ(flag_member(nullptr, "m"), std::nullopt);
}

TEST(JsonMember, ObjectOnlyFromObjects) {
  for (const char* kind : kKinds) {
    JsonObjectPtr o = object_of(kind);
    const bool is_object = std::string(kind).find("{\"m\":{") == 0;
    EXPECT_EQ(object_member(o.get(), "m") != nullptr, is_object) << kind;
  }
  EXPECT_EQ(object_member(nullptr, "m"), nullptr);
}

TEST(JsonMember, ParseObjectOnlyFromObjectText) {
  EXPECT_TRUE(parse_object("{}"));
  EXPECT_TRUE(parse_object(R"( {"a":[1,2]} )"));
  for (const char* text : {"", " ", "[]", "1", "\"{}\"", "null", "{", "{\"a\":}", "\xff"})
    EXPECT_FALSE(parse_object(text)) << text;
  EXPECT_FALSE(parse_object(nullptr));
}

// Every member the launchers read, with a type the service should not send.
const char kWrongPool[] =
    R"({"connecttype":["freerdp3"],"rdpport":"3390","accounttype":{"a":1},"accountUser":7,)"
    R"("accountPassword":true,"usegw":"true","gw":42,"resource":{"usbs":true},"connectparam":[1]})";

TEST(WrongTypes, PoolReadsLikeAnEmptyOne) {
  JsonObjectPtr wrong_pool = object_of(kWrongPool);
  JsonObjectPtr empty_pool = object_of("{}");
  const LaunchRequest wrong{"h", "u", "p", read_pool_settings(wrong_pool.get())};
  const LaunchRequest empty{"h", "u", "p", read_pool_settings(empty_pool.get())};
  EXPECT_EQ(rdp_arguments(read_rdp_settings(wrong, ViewerPaths{})),
            rdp_arguments(read_rdp_settings(empty, ViewerPaths{})));
  EXPECT_EQ(horizon_arguments(read_horizon_settings(wrong, ViewerPaths{})),
            horizon_arguments(read_horizon_settings(empty, ViewerPaths{})));
  EXPECT_FALSE(read_resource_flags(wrong_pool.get()));
}

TEST(WrongTypes, GatewayMembersReadAsEmpty) {
  JsonObjectPtr pool =
      object_of(R"({"usegw":true,"gw":{"gwtype":1,"gwaddr":[],"gwuser":{},"gwpassword":false}})");
  const LaunchRequest request{"h", "u", "p", read_pool_settings(pool.get())};
  const RdpSettings settings = read_rdp_settings(request, ViewerPaths{});
  ASSERT_TRUE(settings.gateway);
  EXPECT_EQ(settings.gateway->type, "");
  EXPECT_EQ(settings.gateway->address, "");
  EXPECT_EQ(settings.gateway->user, "");
  EXPECT_EQ(settings.gateway->password, "");
}

TEST(WrongTypes, InsideTheEmbeddedTexts) {
  JsonObjectPtr pool = object_of(
      R"({"resource":"{\"usbs\":\"no\",\"sounds\":[],\"home\":{},\"debug\":null,\"usbfilter\":1}",)"
      R"("connectparam":"{\"bpp\":\"16\",\"decode\":400,\"network\":{}}"})");
  const std::optional<ResourceFlags> flags = read_resource_flags(pool.get());
  ASSERT_TRUE(flags);
  EXPECT_FALSE(flags->usbs || flags->sounds || flags->home || flags->debug || flags->usbfilter);
  const DisplayParams display = read_display_params(pool.get());
  EXPECT_FALSE(display.unreadable);
  EXPECT_FALSE(display.bpp || display.decode || display.network);
}

TEST(WrongTypes, SpiceInfoMembersReadAsEmpty) {
  JsonObjectPtr info = object_of(
      R"({"ca":{},"host":[],"host-subject":1,"password":true,"proxy":null,"release-cursor":2.5,)"
      R"("secure-attention":[],"title":{},"tls-port":"5900","toggle-fullscreen":false})");
  EXPECT_EQ(spice_file_text(read_spice_info(info.get())), spice_file_text(read_spice_info(object_of("{}").get())));
}

}  // namespace
}  // namespace kesta

// The VMware Horizon command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/json_read.h"
#include "launch/horizon.h"

namespace kesta {
namespace {

using Argv = std::vector<std::string>;

Argv argv_of(const std::string& pool_text, std::string_view password = "pw") {
  JsonObjectPtr pool = parse_object(pool_text.c_str());
  EXPECT_TRUE(pool) << pool_text;
  const LaunchRequest request{"10.0.0.7", "alice", password, read_pool_settings(pool.get())};
  return horizon_arguments(read_horizon_settings(request, ViewerPaths{}));
}

Argv base(const char* protocol, const char* password = "pw") {
  return {"/usr/bin/vmware-view",
          std::string("--protocol=") + protocol,
          "--serverURL=10.0.0.7",
          "--desktopSize=small",
          "--nomenubar",
          "--userName=alice",
          std::string("--password=") + password,
          "--launchMinimized",
          "--singleAutoConnect",
          "--skipCRLRevocationCheck",
          "--hideClientAfterLaunchSession=TRUE",
          "--nonInteractive",
          "--useExisting"};
}

Argv with(Argv argv, const Argv& more) {
  argv.insert(argv.end(), more.begin(), more.end());
  return argv;
}

TEST(HorizonCommand, FixedOptionsAroundServerAndCredentials) {
  EXPECT_EQ(argv_of(R"({"connecttype":"blast"})"), base("blast"));
  EXPECT_EQ(argv_of(R"({"connecttype":"pcoip"})"), base("pcoip"));
  EXPECT_EQ(argv_of(R"({"connecttype":"all"})"), base("all"));
  EXPECT_EQ(argv_of("{}"), base(""));
  EXPECT_EQ(argv_of(R"({"connecttype":["blast"]})"), base(""));
}

TEST(HorizonCommand, AnEmptyPasswordIsAnEmptyOption) {
  EXPECT_EQ(argv_of(R"({"connecttype":"blast"})", "").at(6), "--password=");
}

TEST(HorizonCommand, UsbPairIsTheReverseOfTheFlag) {
  const Argv off = {"--usbAutoConnectOnInsert=FALSE", "--usbAutoConnectAtStartUp=FALSE"};
  const Argv on = {"--usbAutoConnectOnInsert=TRUE", "--usbAutoConnectAtStartUp=TRUE"};
  struct Row {
    const char* pool;
    Argv options;
  } rows[] = {
      {R"({"connecttype":"blast","resource":"{\"usbs\":true}"})", off},
      {R"({"connecttype":"blast","resource":"{\"usbs\":false}"})", on},
      {R"({"connecttype":"blast","resource":"{}"})", off},
      {R"({"connecttype":"blast","resource":"{\"usbs\":\"false\"}"})", off},
      {R"({"connecttype":"blast","resource":"{\"multimon\":true}"})", with(off, {"--allmonitors"})},
      {R"({"connecttype":"blast","resource":"{\"multimon\":false,\"usbs\":false}"})", on},
      {R"({"connecttype":"blast","resource":"{\"usbs\":false,\"multimon\":true}"})",
       with(on, {"--allmonitors"})},
      {R"({"connecttype":"blast"})", {}},
      {R"({"connecttype":"blast","resource":"not json"})", {}},
      {R"({"connecttype":"blast","resource":{"usbs":false}})", {}},
  };
  for (const Row& row : rows) EXPECT_EQ(argv_of(row.pool), with(base("blast"), row.options)) << row.pool;
}

}  // namespace
}  // namespace kesta

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "host/host_identity.h"
#include "ui/status_bar.h"

namespace kesta {
namespace {

bool matches(const std::string& text, const char* pattern) {
  return g_regex_match_simple(pattern, text.c_str(), static_cast<GRegexCompileFlags>(0),
                              static_cast<GRegexMatchFlags>(0));
}

TEST(InterfaceFilter, SkipsLoopbackContainerAndVirtualInterfaces) {
  for (const char* name : {"lo", "docker0", "veth12ab", "br-5f2", "tap0", "tun1", "virbr0",
                           "vnet3", "vir"})
    EXPECT_TRUE(interface_is_skipped(name)) << name;
  for (const char* name : {"eth0", "enp3s0", "wlan0", "br0", "lo0", "loop", "Docker0", "ve",
                           "tu", "wg0", ""})
    EXPECT_FALSE(interface_is_skipped(name)) << name;
}

TEST(HostIdentity, TextsHaveTheirShape) {
  char name[256] = {};
  ASSERT_EQ(gethostname(name, sizeof name - 1), 0);
  EXPECT_STREQ(get_host_name().get(), name);

  const GCharPtr address = get_local_ip();
  ASSERT_NE(address, nullptr);
  EXPECT_TRUE(std::string(address.get()) == "未知地址" ||
              matches(address.get(), R"(^\d{1,3}(\.\d{1,3}){3}$)"))
      << address.get();
  EXPECT_NE(std::string(address.get()).rfind("127.", 0), 0u) << "loopback is never shown";

  if (const GCharPtr mac = get_mac_address()) {
    EXPECT_TRUE(matches(mac.get(), "^([0-9A-F]{2}:){5}[0-9A-F]{2}$")) << mac.get();
  }
}

TEST(HostIdentity, ClockShowsLocalMinutes) {
  GtkWidget* label = gtk_label_new("");
  g_object_ref_sink(label);
  EXPECT_TRUE(update_clock_label(label));
  const std::string text = gtk_label_get_text(GTK_LABEL(label));
  EXPECT_TRUE(matches(text, R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}$)")) << text;
  g_object_unref(label);
}

}  // namespace
}  // namespace kesta

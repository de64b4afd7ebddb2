// The SPICE connection file and the remote-viewer command line.
#include <gtest/gtest.h>

#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "base/json_read.h"
#include "base/ptr.h"
#include "launch/spice.h"
#include "launch/spice_file.h"
#include "support/temp_home.h"

namespace kesta {
namespace {

using Argv = std::vector<std::string>;

JsonObjectPtr object_of(const std::string& text) {
  JsonObjectPtr object = parse_object(text.c_str());
  EXPECT_TRUE(object) << text;
  return object;
}

SpiceInfo info_of(const std::string& text) { return read_spice_info(object_of(text).get()); }

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  EXPECT_EQ(start, text.size()) << "every line ends with a line break";
  return lines;
}

// A VM id of this test process, so that parallel runs do not meet in /tmp.
std::string test_id(const char* name) { return "kesta-test-" + std::to_string(getpid()) + "-" + name; }

std::string file_for(const std::string& id) { return "/tmp/" + id + ".spice"; }

const char kFullInfo[] =
    R"({"ca":"CA","host":"10.1.1.1","host-subject":"CN=h","password":"pw","proxy":"http://p:3128",)"
    R"("release-cursor":"shift+f12","secure-attention":"ctrl+alt+end","title":"vm1",)"
    R"("tls-port":5901,"toggle-fullscreen":"shift+f11","port":5900,"other":"x"})";

TEST(SpiceFile, TwelveLinesInTheirOrder) {
  EXPECT_EQ(lines_of(spice_file_text(info_of(kFullInfo)).value()),
            Argv({"[virt-viewer]", "ca=CA", "host=10.1.1.1", "host-subject=CN=h", "password=pw",
                  "proxy=http://p:3128", "release-cursor=shift+f12", "secure-attention=ctrl+alt+end",
                  "title=kesta-vm1", "tls-port=5901", "toggle-fullscreen=shift+f11", "type=spice"}));
}

TEST(SpiceFile, MissingMembersAreEmptyAndTheMissingPortZero) {
  EXPECT_EQ(lines_of(spice_file_text(info_of("{}")).value()),
            Argv({"[virt-viewer]", "ca=", "host=", "host-subject=", "password=", "proxy=", "release-cursor=",
                  "secure-attention=", "title=kesta-", "tls-port=0", "toggle-fullscreen=", "type=spice"}));
}

TEST(SpiceFile, MembersOfAnotherTypeCountAsMissing) {
  const char info[] = R"({"ca":["a"],"host":5,"host-subject":{"a":1},"password":true,"proxy":null,)"
                      R"("title":1.5,"tls-port":"5901","toggle-fullscreen":false})";
  EXPECT_EQ(spice_file_text(info_of(info)), spice_file_text(info_of("{}")));
  EXPECT_EQ(lines_of(spice_file_text(info_of(R"({"tls-port":5901.0})")).value()).at(9), "tls-port=0");
  EXPECT_EQ(lines_of(spice_file_text(info_of(R"({"tls-port":-1})")).value()).at(9), "tls-port=-1");
}

// What remote-viewer reads for the key: the value as g_key_file_get_string
// gives it, or why it gives none.
std::string read_back(const std::string& text, const char* key) {
  GKeyFile* file = g_key_file_new();
  Error error;
  std::string value = "(unreadable: ";
  if (!g_key_file_load_from_data(file, text.c_str(), text.size(), G_KEY_FILE_NONE, error)) {
    value += error.message_or("") + std::string(")");
  } else {
    GCharPtr read(g_key_file_get_string(file, "virt-viewer", key, error));
    // GLib gives a value even for a bad escape, but flags it.
    value = read && !error.get() ? read.get() : value + error.message_or("") + ")";
  }
  g_key_file_free(file);
  return value;
}

TEST(SpiceFile, ServiceEscapesPassAndEverythingElseReadsBackWhole) {
  struct Row {
    const char* received;  // the value in "spriceInfo"
    const char* line;      // what the file says after "ca="
    const char* read;      // what the viewer reads
  } rows[] = {
      {"plain", "plain", "plain"},
      {"a\\nb", "a\\nb", "a\nb"},
      {"a\nb", "a\\nb", "a\nb"},
      {"a\r\nb", "a\\r\\nb", "a\r\nb"},
      {"a\\r\\nb\\tc\\sd", "a\\r\\nb\\tc\\sd", "a\r\nb\tc d"},
      {"back\\\\slash", "back\\\\slash", "back\\slash"},
      {"lone\\xslash\\;", "lone\\\\xslash\\\\;", "lone\\xslash\\;"},
      {"end\\", "end\\\\", "end\\"},
      {"\\\\\\", "\\\\\\\\", "\\\\"},
      {" lead", "\\slead", " lead"},
      {"\t lead", "\\t\\slead", "\t lead"},
      {"\\s lead", "\\s lead", "  lead"},
      {"in side\tand\vtab", "in side\tand\vtab", "in side\tand\vtab"},
      {"trail \t", "trail \t", "trail \t"},
      {"[group]", "[group]", "[group]"},
      {"k=v", "k=v", "k=v"},
      {"#x", "#x", "#x"},
      {"", "", ""},
  };
  for (const Row& row : rows) {
    SpiceInfo info;
    info.ca = row.received;
    const std::string text = spice_file_text(info).value();
    EXPECT_EQ(lines_of(text).at(1), std::string("ca=") + row.line) << row.received;
    EXPECT_EQ(read_back(text, "ca"), row.read) << row.received;
  }
}

TEST(SpiceFile, ACertificateSentEitherWayReachesTheViewerAsTheSamePem) {
  const std::string pem = "-----BEGIN CERTIFICATE-----\nMIIBszCCAVmgAwIBAgIU\n-----END CERTIFICATE-----\n";
  struct Row {
    const char* info;
    const char* key;
    std::string read;
  } rows[] = {
      {R"({"ca":"-----BEGIN CERTIFICATE-----\\nMIIBszCCAVmgAwIBAgIU\\n-----END CERTIFICATE-----\\n"})", "ca", pem},
      {R"({"ca":"-----BEGIN CERTIFICATE-----\nMIIBszCCAVmgAwIBAgIU\n-----END CERTIFICATE-----\n"})", "ca", pem},
      {R"({"password":"a\\\\b"})", "password", "a\\b"},
      {R"({"password":"a\\b"})", "password", "a\\b"},
      {R"({"password":"  two"})", "password", "  two"},
      {R"({"host-subject":"C=CN, O=K\\, Ltd, CN=h"})", "host-subject", "C=CN, O=K\\, Ltd, CN=h"},
      {R"({"title":" vm"})", "title", "kesta- vm"},
  };
  for (const Row& row : rows) {
    const std::optional<std::string> text = spice_file_text(info_of(row.info));
    ASSERT_TRUE(text) << row.info;
    EXPECT_EQ(lines_of(*text).size(), 12u) << row.info;
    EXPECT_EQ(read_back(*text, row.key), row.read) << row.info;
  }
}

TEST(SpiceFile, LineBreaksInValuesNeitherCutThemNorAddKeys) {
  const std::string ca = "-----BEGIN CERTIFICATE-----\nMIIBszCCAVmgAwIBAgIU\r\n-----END CERTIFICATE-----\n";
  JsonNodePtr node(json_node_new(JSON_NODE_OBJECT));
  JsonObject* info = json_object_new();
  json_node_take_object(node.get(), info);
  json_object_set_string_member(info, "ca", ca.c_str());
  json_object_set_string_member(info, "password", "p\nw\\x\rtype=vnc\n[other]\nhost=evil");
  json_object_set_string_member(info, "title", " a\tb ");
  json_object_set_string_member(info, "host", "\n host=evil");
  const std::string text = spice_file_text(read_spice_info(info)).value();
  EXPECT_EQ(lines_of(text).size(), 12u);

  GKeyFile* file = g_key_file_new();
  Error error;
  ASSERT_TRUE(g_key_file_load_from_data(file, text.c_str(), text.size(), G_KEY_FILE_NONE, error))
      << error.message_or("");
  gsize groups = 0;
  StrvPtr group_names(g_key_file_get_groups(file, &groups));
  EXPECT_EQ(groups, 1u);
  gsize keys = 0;
  StrvPtr key_names(g_key_file_get_keys(file, "virt-viewer", &keys, nullptr));
  EXPECT_EQ(keys, 11u);
  auto read = [file](const char* key) {
    GCharPtr value(g_key_file_get_string(file, "virt-viewer", key, nullptr));
    return std::string(value ? value.get() : "(unreadable)");
  };
  EXPECT_EQ(read("ca"), ca);
  EXPECT_EQ(read("password"), "p\nw\\x\rtype=vnc\n[other]\nhost=evil");
  EXPECT_EQ(read("title"), "kesta- a\tb ");
  EXPECT_EQ(read("host"), "\n host=evil");
  EXPECT_EQ(read("type"), "spice");
  g_key_file_free(file);
}

TEST(SpiceFile, NoTextForAValueThatStartsWithAFormFeed) {
  // The key-file reader drops a form feed at the start of a value, with the
  // blanks after it, and no escape keeps one.
  EXPECT_EQ(spice_file_text(info_of(R"({"password":"\f secret"})")), std::nullopt);
  EXPECT_EQ(spice_file_text(info_of(R"({"toggle-fullscreen":"\f"})")), std::nullopt);
  // Anywhere else it is kept, and so behind an escaped blank.
  const std::optional<std::string> text = spice_file_text(info_of(R"({"host":" \fh","password":"p\f"})"));
  ASSERT_TRUE(text);
  EXPECT_EQ(lines_of(*text).at(2), "host=\\s\fh");
  EXPECT_EQ(lines_of(*text).at(4), "password=p\f");
}

TEST(SpiceFile, PathOnlyForPlainFileNames) {
  EXPECT_EQ(spice_file_path("vm-1"), "/tmp/vm-1.spice");
  EXPECT_EQ(spice_file_path("vm 1"), "/tmp/vm 1.spice");
  EXPECT_EQ(spice_file_path("..."), "/tmp/....spice");
  EXPECT_EQ(spice_file_path("-f"), "/tmp/-f.spice");
  for (const char* bad : {"", ".", "..", "a/b", "../etc/passwd", "/", "x/"})
    EXPECT_EQ(spice_file_path(bad), std::nullopt) << bad;
  // The whole path fits 255 bytes.
  EXPECT_TRUE(spice_file_path(std::string(255 - 11, 'v')));
  EXPECT_FALSE(spice_file_path(std::string(255 - 10, 'v')));
}

class SpiceFileWrite : public testing::Test {
 protected:
  void TearDown() override {
    for (const std::string& path : cleanup_) g_unlink(path.c_str());
  }
  std::string id(const char* name) {
    const std::string vm = test_id(name);
    cleanup_.push_back(file_for(vm));
    return vm;
  }
  std::vector<std::string> cleanup_;
};

TEST_F(SpiceFileWrite, WritesTheTextOwnerOnly) {
  const std::string vm = id("write");
  const SpiceInfo info = info_of(kFullInfo);
  for (mode_t mask : {0022, 0000, 0077}) {
    const mode_t old = umask(mask);
    const std::optional<std::string> path = write_spice_file(vm.c_str(), &info);
    umask(old);
    ASSERT_EQ(path, file_for(vm));
    EXPECT_EQ(test::read_file(*path), spice_file_text(info).value() + "delete-this-file=1\n");
    struct stat status;
    ASSERT_EQ(lstat(path->c_str(), &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));
    EXPECT_EQ(status.st_mode & 07777, 0600u) << "umask " << mask;
    EXPECT_EQ(status.st_uid, geteuid());
  }
}

TEST_F(SpiceFileWrite, ReplacesAnOlderFileOfOursAndMakesItPrivate) {
  const std::string vm = id("older");
  test::write_file(file_for(vm), std::string(5000, 'x'));
  ASSERT_EQ(g_chmod(file_for(vm).c_str(), 0666), 0);
  const SpiceInfo info = info_of(R"({"host":"h"})");
  ASSERT_TRUE(write_spice_file(vm.c_str(), &info));
  EXPECT_EQ(test::read_file(file_for(vm)), spice_file_text(info_of(R"({"host":"h"})"), true));
  struct stat status;
  ASSERT_EQ(stat(file_for(vm).c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0600u);
}

TEST_F(SpiceFileWrite, APlantedLinkIsReplacedNotFollowed) {
  const std::string dir = test::make_temp_dir();
  const std::string target = dir + "/victim";
  test::write_file(target, "untouched");
  const std::string missing = dir + "/not-there";
  const SpiceInfo info = info_of(R"({"password":"secret"})");
  for (const std::string& link_to : {target, missing}) {
    const std::string vm = id("link");
    g_unlink(file_for(vm).c_str());
    ASSERT_EQ(symlink(link_to.c_str(), file_for(vm).c_str()), 0);
    ASSERT_TRUE(write_spice_file(vm.c_str(), &info));
    struct stat status;
    ASSERT_EQ(lstat(file_for(vm).c_str(), &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode)) << "the link itself was replaced";
    EXPECT_EQ(status.st_mode & 07777, 0600u);
  }
  EXPECT_EQ(test::read_file(target), "untouched");
  EXPECT_FALSE(g_file_test(missing.c_str(), G_FILE_TEST_EXISTS)) << "nothing created through a dangling link";
  g_unlink(target.c_str());
  g_rmdir(dir.c_str());
}

TEST_F(SpiceFileWrite, RefusesBadIdsAndMissingInput) {
  const SpiceInfo info = info_of(R"({"password":"secret"})");
  for (const char* bad : {"", ".", "..", "../kesta-escape", "a/b"})
    EXPECT_EQ(write_spice_file(bad, &info), std::nullopt) << bad;
  EXPECT_FALSE(g_file_test("/kesta-escape.spice", G_FILE_TEST_EXISTS));
  EXPECT_EQ(write_spice_file(std::string(300, 'v').c_str(), &info), std::nullopt);
  EXPECT_EQ(write_spice_file(nullptr, &info), std::nullopt);
  EXPECT_EQ(write_spice_file(id("null").c_str(), nullptr), std::nullopt);
  EXPECT_FALSE(g_file_test(cleanup_.back().c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(SpiceFileWrite, NoFileForAValueItCannotCarry) {
  const std::string vm = id("form-feed");
  const SpiceInfo info = info_of(R"({"password":"\fsecret"})");
  EXPECT_EQ(write_spice_file(vm.c_str(), &info), std::nullopt);
  EXPECT_FALSE(g_file_test(file_for(vm).c_str(), G_FILE_TEST_EXISTS));
}

TEST_F(SpiceFileWrite, AnIdWithASpaceIsOneFile) {
  const std::string vm = id("with space");
  const SpiceInfo info = info_of("{}");
  EXPECT_EQ(write_spice_file(vm.c_str(), &info), file_for(vm));
  EXPECT_TRUE(g_file_test(file_for(vm).c_str(), G_FILE_TEST_IS_REGULAR));
}

JsonObjectPtr pool_with_resource(const std::string& resource_json) {
  JsonObjectPtr pool = object_of("{}");
  json_object_set_string_member(pool.get(), "resource", resource_json.c_str());
  return pool;
}

Argv spice_argv_of(const std::string& resource_json) {
  return spice_arguments("/usr/bin/remote-viewer", "-", read_resource_flags(pool_with_resource(resource_json).get()),
                         "/home/u");
}

TEST(SpiceCommand, WithoutResourceOnlyTheFile) {
  const Argv bare = {"/usr/bin/remote-viewer", "-f", "-"};
  EXPECT_EQ(spice_arguments("/usr/bin/remote-viewer", "-", std::nullopt, "/home/u"), bare);
  EXPECT_EQ(spice_arguments("/usr/bin/remote-viewer", "-", read_resource_flags(nullptr), "/home/u"), bare);
  EXPECT_EQ(spice_argv_of("not json"), bare);
  EXPECT_EQ(spice_argv_of("[false]"), bare);
  EXPECT_EQ(spice_argv_of("{}"), bare);
}

TEST(SpiceCommand, ResourceOptions) {
  struct Row {
    const char* resource;
    Argv options;
  } rows[] = {
      {R"({"usbs":false})", {"--spice-disable-usbredir"}},
      {R"({"usbs":true})", {}},
      {R"({"sounds":false})", {"--spice-disable-audio"}},
      {R"({"sounds":true})", {}},
      {R"({"home":true})", {"--spice-shared-dir=/home/u"}},
      {R"({"home":false})", {}},
      {R"({"debug":true})", {"--spice-debug"}},
      {R"({"debug":false})", {}},
      {R"({"usbfilter":"0x03,-1,-1,-1,0|-1,-1,-1,-1,1"})",
       {"--spice-usbredir-auto-redirect-filter=0x03,-1,-1,-1,0|-1,-1,-1,-1,1"}},
      {R"({"usbfilter":""})", {"--spice-usbredir-auto-redirect-filter="}},
      {R"({"usbfilter":5,"usbs":"false","home":"true","debug":null,"sounds":[]})", {}},
      {R"({"usbfilter":"f","debug":true,"home":true,"sounds":false,"usbs":false,"drives":true})",
       {"--spice-disable-usbredir", "--spice-disable-audio", "--spice-shared-dir=/home/u", "--spice-debug",
        "--spice-usbredir-auto-redirect-filter=f"}},
  };
  for (const Row& row : rows) {
    Argv expected = {"/usr/bin/remote-viewer", "-f", "-"};
    expected.insert(expected.end(), row.options.begin(), row.options.end());
    EXPECT_EQ(spice_argv_of(row.resource), expected) << row.resource;
  }
}

}  // namespace
}  // namespace kesta

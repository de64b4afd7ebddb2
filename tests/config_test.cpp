#include <glib/gstdio.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "base/config.h"
#include "support/print_capture.h"
#include "support/temp_home.h"

namespace kesta {
namespace {

using test::config_path;
using test::read_file;
using test::write_file;

class ConfigFile : public testing::Test {
 protected:
  void SetUp() override { test::remove_file(config_path()); }
  void TearDown() override { test::remove_file(config_path()); }

  // Loads text as the configuration file; returns the load's result and
  // leaves the record in config_.
  bool load(const std::string& text) {
    write_file(config_path(), text);
    return load_config_file(config_path().c_str(), config_);
  }

  ClientConfig config_{};
};

void expect_defaults(const ClientConfig& c) {
  EXPECT_STREQ(c.server_address, "");
  EXPECT_EQ(c.maclogin, 0);
  EXPECT_STREQ(c.protocol, "freerdp");
  EXPECT_STREQ(c.username, "");
  EXPECT_STREQ(c.encrypted_password, "");
  EXPECT_EQ(c.save_credentials, 1);
  EXPECT_EQ(c.setting, 0);
  EXPECT_EQ(c.logout_on_session_end, 0);
}

TEST_F(ConfigFile, MissingOrBrokenFilesGiveTheDefaults) {
  test::capture_prints();
  EXPECT_FALSE(load_config());
  EXPECT_EQ(test::captured_prints(), "配置文件不存在，将使用默认配置\n");
  expect_defaults(app_config);

  for (const char* text : {"not json {", "", "[1, 2]", "\"text\"", "null"}) {
    std::memset(&config_, 0x55, sizeof config_);
    test::capture_prints();
    EXPECT_FALSE(load(text)) << text;
    const std::string out = test::captured_prints();
    expect_defaults(config_);
    if (std::string(text) == "[1, 2]" || std::string(text) == "null")
      EXPECT_EQ(out, "配置文件格式错误\n");
    else
      EXPECT_TRUE(out == "配置文件格式错误\n" || out.rfind("解析配置文件失败: ", 0) == 0) << out;
  }
}

TEST_F(ConfigFile, ReadsEveryMember) {
  test::capture_prints();
  EXPECT_TRUE(load(R"({"server_address": "https://vdi.example:8443", "maclogin": true,
      "protocol": "spice", "save_credentials": true, "setting": true,
      "username": "alice", "encrypted_password": "77cbba023319017191be36f1d5a2f784",
      "unknown": [1]})"));
  EXPECT_EQ(test::captured_prints(), "配置文件加载成功\n");
  EXPECT_STREQ(config_.server_address, "https://vdi.example:8443");
  EXPECT_EQ(config_.maclogin, 1);
  EXPECT_STREQ(config_.protocol, "spice");
  EXPECT_STREQ(config_.username, "alice");
  EXPECT_STREQ(config_.encrypted_password, "77cbba023319017191be36f1d5a2f784");
  EXPECT_EQ(config_.save_credentials, 1);
  EXPECT_EQ(config_.setting, 1);
}

TEST_F(ConfigFile, CredentialsOnlyWhenSaveCredentialsIsTrue) {
  EXPECT_TRUE(load(R"({"save_credentials": false, "username": "bob", "encrypted_password": "ab"})"));
  EXPECT_STREQ(config_.username, "");
  EXPECT_STREQ(config_.encrypted_password, "");
  EXPECT_EQ(config_.save_credentials, 0);

  EXPECT_TRUE(load(R"({"username": "bob", "encrypted_password": "ab"})"));
  EXPECT_STREQ(config_.username, "bob") << "absent save_credentials defaults to true";
  EXPECT_STREQ(config_.encrypted_password, "ab");
}

TEST_F(ConfigFile, FlagsAndTextsOfOtherTypesAreReadQuietly) {
  struct Case {
    const char* value;
    gint32 flag;
  };
  for (const Case& c : {Case{"1", 1}, Case{"0", 0}, Case{"2.5", 1}, Case{"\"yes\"", 0},
                        Case{"null", 0}, Case{"{}", 0}, Case{"[true]", 0}, Case{"false", 0}}) {
    EXPECT_TRUE(load(std::string("{\"maclogin\": ") + c.value + ", \"setting\": " + c.value + "}"));
    EXPECT_EQ(config_.maclogin, c.flag) << c.value;
    EXPECT_EQ(config_.setting, c.flag) << c.value;
  }
  EXPECT_TRUE(load(R"({"server_address": 5, "protocol": null, "username": {}, "encrypted_password": []})"));
  expect_defaults(config_);
}

TEST_F(ConfigFile, LongTextsAreCutToTheirFields) {
  const std::string address(300, 'a');
  const std::string name(70, 'n');
  const std::string protocol(40, 'p');
  const std::string cipher(600, 'c');
  EXPECT_TRUE(load("{\"server_address\": \"" + address + "\", \"username\": \"" + name +
                   "\", \"protocol\": \"" + protocol + "\", \"encrypted_password\": \"" + cipher + "\"}"));
  EXPECT_EQ(std::string(config_.server_address), address.substr(0, 255));
  EXPECT_EQ(std::string(config_.username), name.substr(0, 63));
  EXPECT_EQ(std::string(config_.protocol), protocol.substr(0, 31));
  EXPECT_EQ(std::string(config_.encrypted_password), cipher.substr(0, 511));

  // A cut never splits a character, so that the saved file stays readable:
  // "a" and 84 three-byte characters fill 253 of the 255 bytes.
  std::string chinese = "a";
  while (chinese.size() < 300) chinese += "服";
  EXPECT_TRUE(load("{\"server_address\": \"" + chinese + "\"}"));
  EXPECT_EQ(std::string(config_.server_address), chinese.substr(0, 253));
  ASSERT_TRUE(save_config_file(config_path().c_str(), config_));
  ClientConfig back{};
  EXPECT_TRUE(load_config_file(config_path().c_str(), back));
  EXPECT_STREQ(back.server_address, config_.server_address);
}

TEST_F(ConfigFile, SaveWritesTheMembersInOrder) {
  apply_config_defaults(config_);
  std::strcpy(config_.server_address, "http://h:8080/");
  std::strcpy(config_.username, "carol");
  std::strcpy(config_.encrypted_password, "00ff");
  config_.maclogin = 7;
  ASSERT_TRUE(save_config_file(config_path().c_str(), config_));
  EXPECT_EQ(read_file(config_path()),
            "{\n"
            "  \"server_address\" : \"http://h:8080/\",\n"
            "  \"maclogin\" : true,\n"
            "  \"protocol\" : \"freerdp\",\n"
            "  \"save_credentials\" : true,\n"
            "  \"setting\" : false,\n"
            "  \"username\" : \"carol\",\n"
            "  \"encrypted_password\" : \"00ff\"\n"
            "}");

  config_.save_credentials = 0;
  ASSERT_TRUE(save_config_file(config_path().c_str(), config_));
  const std::string text = read_file(config_path());
  EXPECT_EQ(text.find("username"), std::string::npos);
  EXPECT_EQ(text.find("encrypted_password"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 6) << "five members and the braces: " << text;
  EXPECT_STREQ(config_.username, "carol") << "memory keeps the values";

  ClientConfig back{};
  ASSERT_TRUE(load_config_file(config_path().c_str(), back));
  EXPECT_STREQ(back.server_address, "http://h:8080/");
  EXPECT_EQ(back.maclogin, 1);
  EXPECT_STREQ(back.username, "");
}

// Off by default and then not written, so that the file of a terminal that
// never set it stays as it was; on, it is written and read back.
TEST_F(ConfigFile, SignOutAtSessionEndIsWrittenOnlyWhenSet) {
  for (const bool on : {false, true}) {
    apply_config_defaults(config_);
    config_.logout_on_session_end = on;
    ASSERT_TRUE(save_config_file(config_path().c_str(), config_));
    const std::string text = read_file(config_path());
    EXPECT_EQ(text.find("\"logout_on_session_end\" : true") != std::string::npos, on) << text;
    EXPECT_EQ(text.find("logout_on_session_end") != std::string::npos, on) << text;
    ClientConfig back{};
    ASSERT_TRUE(load_config_file(config_path().c_str(), back));
    EXPECT_EQ(back.logout_on_session_end, on ? 1 : 0);
  }
  ASSERT_TRUE(load(R"({"logout_on_session_end": 1})"));
  EXPECT_EQ(config_.logout_on_session_end, 1) << "read like the other flags";
}

TEST_F(ConfigFile, SaveIsOwnerOnlyAndReplacesTheFileWhole) {
  write_file(config_path(), std::string(10000, ' ') + "{}");
  chmod(config_path().c_str(), 0644);
  apply_config_defaults(app_config);
  ASSERT_TRUE(save_config());
  struct stat st {};
  ASSERT_EQ(stat(config_path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(read_file(config_path()).back(), '}');
  EXPECT_LT(read_file(config_path()).size(), 200u);
}

TEST_F(ConfigFile, AFailedSaveKeepsTheOldFile) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  const std::string dir = test::make_temp_dir();
  const std::string path = dir + "/.kestaconfig2.json";
  write_file(path, "{\"protocol\": \"spice\"}");
  chmod(dir.c_str(), 0500);  // no new file can be made beside it
  apply_config_defaults(config_);
  test::capture_prints();
  const bool saved = save_config_file(path.c_str(), config_);
  const std::string out = test::captured_prints();
  chmod(dir.c_str(), 0700);
  EXPECT_FALSE(saved);
  EXPECT_EQ(out.rfind("保存配置文件失败: ", 0), 0u) << out;
  EXPECT_EQ(read_file(path), "{\"protocol\": \"spice\"}");
  test::remove_file(path);
  g_rmdir(dir.c_str());
}

TEST_F(ConfigFile, AnUnwritablePathFailsWithItsMessage) {
  apply_config_defaults(config_);
  test::capture_prints();
  EXPECT_FALSE(save_config_file("/nonexistent-dir/x/.kestaconfig2.json", config_));
  EXPECT_EQ(test::captured_prints().rfind("保存配置文件失败: ", 0), 0u);
}

TEST_F(ConfigFile, AnyLengthOfHomePathWorks) {
  std::string dir = test::make_temp_dir();
  while (dir.size() < 700) {
    dir += "/" + std::string(200, 'd');
    ASSERT_EQ(g_mkdir(dir.c_str(), 0700), 0);
  }
  const std::string path = dir + "/.kestaconfig2.json";
  apply_config_defaults(config_);
  std::strcpy(config_.protocol, "blast");
  ASSERT_TRUE(save_config_file(path.c_str(), config_));
  ClientConfig back{};
  EXPECT_TRUE(load_config_file(path.c_str(), back));
  EXPECT_STREQ(back.protocol, "blast");
}

TEST(ConfigData, ReadsTextAsFromTheFile) {
  ClientConfig config{};
  test::capture_prints();
  EXPECT_TRUE(load_config_data(R"({"server_address": "http://h:8080", "username": "u"})", config));
  EXPECT_EQ(test::captured_prints(), "配置文件加载成功\n");
  EXPECT_STREQ(config.server_address, "http://h:8080");
  EXPECT_STREQ(config.username, "u");
  EXPECT_STREQ(config.protocol, "freerdp");

  test::capture_prints();
  EXPECT_FALSE(load_config_data("[1]", config));
  EXPECT_EQ(test::captured_prints(), "配置文件格式错误\n");
  expect_defaults(config);
}

TEST(ConfigData, OctalEscapesGiveUtf8Texts) {
  // json-glib reads "\377" as the byte 0xff.  Kept as it is, the next save
  // would write a file that no longer loads.
  ClientConfig config{};
  EXPECT_TRUE(load_config_data(R"({"username": "a\377b", "server_address": "\6778"})", config));
  EXPECT_TRUE(g_utf8_validate(config.username, -1, nullptr)) << config.username;
  EXPECT_TRUE(g_utf8_validate(config.server_address, -1, nullptr)) << config.server_address;
}

}  // namespace
}  // namespace kesta

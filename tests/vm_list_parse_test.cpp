#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "api/login_request.h"
#include "api/vm_list.h"
#include "base/config.h"
#include "base/fixed_text.h"
#include "support/print_capture.h"

namespace kesta {
namespace {

TEST(VmListReply, ReadsEveryFieldWithItsDefaults) {
  const ReplyOutcome<VmList> reply = parse_vm_list(R"({"success": true, "data": [
      {"vmid": "v1", "vmname": "办公", "status": "running",
       "pool": {"poolname": "p", "connecttype": "spice", "rollback": true}},
      {},
      {"vmid": 42, "vmname": null, "status": 7, "pool": "not an object"},
      17]})");
  ASSERT_TRUE(reply.ok());
  ASSERT_EQ(reply.record.size(), 3u) << "17 is no VM";
  const VmInfo& a = reply.record[0];
  EXPECT_STREQ(a.vmid, "v1");
  EXPECT_STREQ(a.vmname, "办公");
  EXPECT_STREQ(a.status, "running");
  EXPECT_STREQ(a.poolname, "p");
  EXPECT_STREQ(a.connecttype, "spice");
  EXPECT_EQ(a.rollback, 1);
  const VmInfo& absent = reply.record[1];
  EXPECT_STREQ(absent.vmid, "");
  EXPECT_STREQ(absent.vmname, "未命名虚拟机");
  EXPECT_STREQ(absent.status, "unknown");
  EXPECT_STREQ(absent.poolname, "");
  EXPECT_EQ(absent.rollback, 0);
  const VmInfo& wrong = reply.record[2];
  EXPECT_STREQ(wrong.vmid, "") << "present but not text is empty, not the default";
  EXPECT_STREQ(wrong.vmname, "");
  EXPECT_STREQ(wrong.status, "");
  EXPECT_STREQ(wrong.connecttype, "");
}

TEST(VmListReply, LongTextsAreCut) {
  const std::string name(300, 'n'), id(100, 'i'), status(40, 's');
  const ReplyOutcome<VmList> reply =
      parse_vm_list(R"({"success": true, "data": [{"vmid": ")" + id + R"(", "vmname": ")" + name + R"(", "status": ")" +
                    status + R"("}]})");
  ASSERT_EQ(reply.record.size(), 1u);
  EXPECT_EQ(std::string(reply.record[0].vmname), name.substr(0, 255));
  EXPECT_EQ(std::string(reply.record[0].vmid), id.substr(0, 63));
  EXPECT_EQ(std::string(reply.record[0].status), status.substr(0, 31));
}

TEST(VmListReply, SuccessDecidesTheFlag) {
  EXPECT_TRUE(parse_vm_list(R"({"success": true, "data": []})").ok());
  EXPECT_TRUE(parse_vm_list(R"({"success": true})").ok()) << "no data is an empty list";
  EXPECT_TRUE(parse_vm_list(R"({"success": true, "data": {"not": "an array"}})").record.empty());
  for (const char* body : {R"({"success": false, "data": [{}]})", R"({"data": [{}]})", "[1]", "", "<html>"}) {
    test::capture_prints();
    const ReplyOutcome<VmList> reply = parse_vm_list(body);
    test::captured_prints();
    EXPECT_FALSE(reply.ok()) << body;
    EXPECT_TRUE(reply.record.empty()) << body;
  }
}

TEST(LoginFailure, MessageByStatus) {
  std::strcpy(app_config.server_address, "https://nowhere.invalid");
  const char* const server = app_config.server_address;
  EXPECT_EQ(login_failure_message(server, 2, ""), "无法解析服务器地址: https://nowhere.invalid");
  EXPECT_EQ(login_failure_message(server, 4, ""), "无法连接到服务器: https://nowhere.invalid");
  EXPECT_EQ(login_failure_message(server, 6, ""), "SSL连接失败");
  EXPECT_EQ(login_failure_message(server, 0, ""), "连接超时，请检查网络或服务器地址");
  EXPECT_EQ(login_failure_message(server, 401, R"({"message": "密码错误"})"), "登录失败: 密码错误");
  EXPECT_EQ(login_failure_message(server, 500, "<html>oops</html>"), "无法连接到服务器");
  EXPECT_EQ(login_failure_message(server, 500, R"({"message": 5})"), "无法连接到服务器");
  EXPECT_EQ(login_failure_message(server, 403, std::string(R"({"message": ")") + std::string(400, 'x') + "\"}").size(),
            255u);
}

TEST(ReadableText, ControlCharactersBecomeVisibleEscapes) {
  struct Row {
    std::string text;
    std::string printed;
  } rows[] = {
      {"plain 中文 ✓", "plain 中文 ✓"},
      {"a\nforged line", "a\\x0aforged line"},
      {"\x1b[2J\x07" "bell\r\t", "\\x1b[2J\\x07bell\\x0d\\x09"},
      // A NUL is no UTF-8 text, and would end a printed C string there.
      {std::string("nul\0after", 9), "nul\ufffdafter"},
      {"del\x7f", "del\\x7f"},
      // C1 as code points; U+00A0 and above stay.
      {"csi\u009b31m nel\u0085 nbsp\u00a0", "csi\\u009b31m nel\\u0085 nbsp\u00a0"},
      // Bytes that are not UTF-8 are no C1 characters: they are replaced.
      {"raw\x9b", "raw\ufffd"},
      {"\\x1b stays as written", "\\x1b stays as written"},
  };
  for (const Row& row : rows) EXPECT_EQ(readable_text(row.text, 100), row.printed) << row.printed;
  // The bound applies before the escapes; shown texts keep their breaks.
  EXPECT_EQ(readable_text(std::string(10, '\n'), 4), "\\x0a\\x0a\\x0a\\x0a…");
  EXPECT_EQ(shown_text("two\nlines", 100), "two\nlines");
}

TEST(MacLogin, NameIsTheAddressWithSuffix) {
  EXPECT_EQ(mac_login_name("0A:1B:2C:3D:4E:5F"), "0A:1B:2C:3D:4E:5F@mac");
}

}  // namespace
}  // namespace kesta

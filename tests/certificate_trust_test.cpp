// Trust in the service's certificate: pinned on first use, a changed key
// refused before a request goes out, a pin reset in the settings, a pin an
// administrator wrote beforehand, and an authority that needs no pin.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <tuple>

#include "api/certificate_trust.h"
#include "api/login_request.h"
#include "base/config.h"
#include "base/fixed_text.h"
#include "host/status_channel.h"
#include "login/settings_dialog.h"
#include "self_signed.h"
#include "support/client_fixture.h"
#include "support/print_capture.h"
#include "support/spin.h"
#include "support/temp_home.h"
#include "support/widget_find.h"

namespace kesta {
namespace {

GCharPtr fixed_mac() { return GCharPtr(g_strdup("0A:1B:2C:3D:4E:5F")); }

// The fingerprint the way README tells an administrator to compute it.
std::string openssl_fingerprint(X509* certificate) {
  const std::string pem = test::home_dir() + "/service.pem";
  test::write_file(pem, test::certificate_pem(certificate));
  const std::string command = "sh -c 'openssl x509 -pubkey -noout -in " + pem +
                              " | openssl pkey -pubin -outform der | openssl dgst -sha256 -binary | base64'";
  gchar* out = nullptr;
  EXPECT_TRUE(g_spawn_command_line_sync(command.c_str(), &out, nullptr, nullptr, nullptr));
  const GCharPtr text(out);
  return "SHA256:" + std::string(text ? g_strstrip(text.get()) : "");
}

class CertificateTrust : public test::ClientFixture {
 protected:
  void TearDown() override {
    set_certificate_authorities(nullptr);
    ClientFixture::TearDown();
  }
  // The service, on the same port each time, with the certificate given.
  void serve(X509* certificate, EVP_PKEY* key) {
    const unsigned port = service_ && service_->url().starts_with("https") ? service_->port() : 0;
    const RefPtr<GTlsCertificate> identity = test::tls_certificate(certificate, key);
    service_.reset();
    service_ = std::make_unique<test::StandIn>(
        test::StandInOptions{.https = true, .certificate = identity.get(), .port = port});
    service_->service().add_account("alice", "secret", test::kToken);
    service_->service().accept_mac_logins(true);
    copy_fixed(app_config.server_address, service_->url());
  }
  std::string host_port() const { return "127.0.0.1:" + std::to_string(service_->port()); }
  // The configuration file an administrator wrote, with one pin.
  void preseed(const std::string& fingerprint) {
    test::write_file(test::config_path(), R"({"server_address": ")" + service_->url() +
                                              R"(", "trusted_certificates": {")" + host_port() + R"(": ")" +
                                              fingerprint + R"("}})");
    ASSERT_TRUE(load_config());
  }
  bool signed_in() const { return record() != nullptr; }

  // The service's key and certificate, another key's, and their fingerprints.
  test::PkeyPtr key_ = test::make_key(), other_key_ = test::make_key();
  test::X509Ptr certificate_ = test::make_certificate(key_.get()), other_ = test::make_certificate(other_key_.get());
  std::string pinned_ = openssl_fingerprint(certificate_.get()), presented_ = openssl_fingerprint(other_.get());
};

TEST(CertificatePin, KeysVerdictsAndTheirPlaceInTheFile) {
  for (const auto& [address, key] : std::initializer_list<std::pair<const char*, const char*>>{
           {"https://VDI.example.org:8443", "vdi.example.org:8443"}, {"https://vdi.example.org", "vdi.example.org:443"},
           {"wss://[::1]:9/ws", "[::1]:9"}, {"http://vdi:8080", ""}, {"vdi:8443", ""}, {"", ""}})
    EXPECT_EQ(pin_key(address).value_or(""), key) << address;
  using Verdict = std::tuple<const char*, const char*, PinVerdict>;
  for (const auto& [pinned, presented, verdict] :
       {Verdict{nullptr, "S:a", PinVerdict::FirstUse}, Verdict{"S:a", "S:a", PinVerdict::Matches},
        Verdict{"S:a", "S:b", PinVerdict::Changed}, Verdict{"S:a", "", PinVerdict::Unreadable}})
    EXPECT_EQ(judge_certificate(pinned, presented), verdict) << presented;

  ClientConfig config{};
  apply_config_defaults(config);
  for (std::size_t i = 0; i <= kMaxTrustedCertificates; ++i)
    EXPECT_TRUE(trust_certificate(config, "h" + std::to_string(i) + ":1", "SHA256:" + std::to_string(i)));
  EXPECT_EQ(find_trusted_certificate(config, "h0:1"), nullptr) << "the oldest made room";
  EXPECT_TRUE(forget_trusted_certificate(config, "h5:1"));
  EXPECT_FALSE(forget_trusted_certificate(config, "h5:1"));
  EXPECT_FALSE(trust_certificate(config, std::string(300, 'h') + ":1", "SHA256:x"));
  const std::string path = test::home_dir() + "/pins.json";
  ASSERT_TRUE(save_config_file(path.c_str(), config));
  const std::string text = test::read_file(path);
  EXPECT_LT(text.find("\"encrypted_password\""), text.find("\"trusted_certificates\""));
  ClientConfig back{};
  ASSERT_TRUE(load_config_file(path.c_str(), back));
  EXPECT_EQ(std::memcmp(back.trusted_certificates, config.trusted_certificates, sizeof back.trusted_certificates), 0);
  ASSERT_TRUE(load_config_data(R"({"trusted_certificates": {"a:1": 7, "b:2": "SHA256:b"}})", back));
  EXPECT_EQ(find_trusted_certificate(back, "a:1"), nullptr);
  EXPECT_STREQ(find_trusted_certificate(back, "b:2"), "SHA256:b");
}

TEST_F(CertificateTrust, TheFirstSignInPinsTheKeyInTheFile) {
  serve(certificate_.get(), key_.get());
  test::PrintCapture printed;
  sign_in();
  ASSERT_TRUE(signed_in()) << printed.text();
  EXPECT_EQ(printed.count("已信任服务器证书: " + host_port() + " " + pinned_), 1) << printed.text();
  ClientConfig saved{};
  ASSERT_TRUE(load_config_file(test::config_path().c_str(), saved));
  EXPECT_STREQ(find_trusted_certificate(saved, host_port()), pinned_.c_str());
  struct stat file {};
  ASSERT_EQ(stat(test::config_path().c_str(), &file), 0);
  EXPECT_EQ(file.st_mode & 0777, 0600u);
}

TEST_F(CertificateTrust, APinWrittenBeforehandTakesARenewalAndRefusesAnotherKey) {
  serve(certificate_.get(), key_.get());
  preseed(pinned_);
  const std::string file = test::read_file(test::config_path());
  const test::X509Ptr renewed = test::make_certificate(key_.get());
  serve(renewed.get(), key_.get());
  sign_in();
  ASSERT_TRUE(signed_in());
  // The first sign-in of a run starts the channel; it is started below.
  status_channel_stop();

  serve(other_.get(), other_key_.get());
  test::PrintCapture printed;
  gtk_button_clicked(GTK_BUTTON(test::find_button(login_, "登录")));
  test::wait_for_requests();
  ASSERT_FALSE(dialogs().empty());
  const std::string& message = dialogs().back().message;
  EXPECT_TRUE(message.starts_with("SSL连接失败\n服务器证书已更改")) << message;
  EXPECT_NE(message.find("已信任的指纹: " + pinned_ + "\n服务器的指纹: " + presented_), std::string::npos) << message;

  // The status channel, with a token from before, fails its handshake too.
  global_token.reset(g_strdup(test::kToken));
  status_channel_start(fixed_mac);
  ASSERT_TRUE(test::spin_until([] { return status_channel()->failures == 1; })) << printed.text();
  const std::string line = "服务器证书已更改，拒绝连接: " + host_port() + " 已信任的指纹: " + pinned_;
  EXPECT_EQ(printed.count(line + " 服务器的指纹: " + presented_), 3) << "the sign-in, the channel's and its handshake";
  EXPECT_TRUE(service_->received().requests().empty()) << "not a byte of a request reached it";
  EXPECT_EQ(service_->received().websocket_handshakes(), 0u);
  EXPECT_EQ(test::read_file(test::config_path()), file);
}

TEST_F(CertificateTrust, ForgettingThePinInTheSettingsPinsTheNextKey) {
  serve(certificate_.get(), key_.get());
  preseed(pinned_);
  serve(other_.get(), other_key_.get());
  build_login();
  dialogs_->inspect_with([&](GtkDialog* dialog) {
    GtkWidget* shown = test::find_label(GTK_WIDGET(dialog), pinned_);
    ASSERT_NE(shown, nullptr);
    gtk_button_clicked(GTK_BUTTON(test::find_button(GTK_WIDGET(dialog), "忘记证书")));
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(shown)), "保存后忘记，下次连接时重新信任");
  });
  dialogs_->queue_response(GTK_RESPONSE_ACCEPT);
  show_settings_dialog(login_);
  dialogs_->inspect_with(nullptr);
  EXPECT_EQ(test::read_file(test::config_path()).find("trusted_certificates"), std::string::npos);
  sign_in();
  ASSERT_TRUE(signed_in());
  EXPECT_STREQ(find_trusted_certificate(app_config, host_port()), presented_.c_str());
}

TEST_F(CertificateTrust, ACertificateOfAnAuthorityNeedsNoPin) {
  const test::PkeyPtr authority_key = test::make_key();
  const test::X509Ptr authority = test::make_authority(authority_key.get());
  const std::string authority_file = test::home_dir() + "/authority.pem";
  test::write_file(authority_file, test::certificate_pem(authority.get()));
  Error error;
  const auto database = take_ref(g_tls_file_database_new(authority_file.c_str(), error));
  ASSERT_TRUE(database) << error.message_or("");
  set_certificate_authorities(database.get());
  const test::Issuer issuer{authority.get(), authority_key.get()};
  const test::X509Ptr vouched = test::make_certificate(key_.get(), &issuer);
  serve(vouched.get(), key_.get());
  preseed("SHA256:a pin of another key");
  test::PrintCapture printed;
  sign_in();
  ASSERT_TRUE(signed_in()) << printed.text();
  EXPECT_EQ(printed.text().find("服务器证书"), std::string::npos) << printed.text();
}

}  // namespace
}  // namespace kesta

#include <gtest/gtest.h>

#include "support/client_fixture.h"

// Kept apart from the other sign-in tests: the TLS stack's threads keep the
// leak checker from running in this process.
namespace kesta {
namespace {

using Https = test::ClientFixture;

TEST_F(Https, SignsInWithASelfSignedCertificate) {
  start_service(true);
  ASSERT_EQ(service_->url().rfind("https://", 0), 0u);
  sign_in();
  ASSERT_NE(record(), nullptr) << (dialogs().empty() ? "" : dialogs().back().message);
  EXPECT_STREQ(record()->token.get(), test::kToken);
}

}  // namespace
}  // namespace kesta

// provider_check_test.cpp: the probe tells a present, a missing and an unusable data access layer
// apart; a missing provider is recognised by its phrase or its number.

#include "db/provider_check.h"

#include <gtest/gtest.h>

#include <string>

namespace db {
namespace {

EngineProbe failingWith(std::int32_t number, std::string description) {
  return [=] { return jet::Status(jet::Error{number, description}); };
}

TEST(ProviderCheckTest, TheProbeTellsPresentMissingAndUnusableApart) {
  EXPECT_EQ(probeProvider(builtInEngineProbe), ProviderState::kPresent);
  EXPECT_EQ(probeProvider(EngineProbe()), ProviderState::kPresent) << "no probe: the built-in one";
  EXPECT_EQ(probeProvider(failingWith(3706, "Provider cannot be found.")), ProviderState::kMissing);
  EXPECT_EQ(probeProvider(failingWith(-2147221164, "Class not registered")),
            ProviderState::kUnusable);
}

TEST(ProviderCheckTest, MissingProviderIsRecognisedByPhraseInAnyCaseOrByNumber) {
  EXPECT_TRUE(isMissingProvider({1, "PROVIDER CANNOT BE FOUND"}));
  EXPECT_TRUE(isMissingProvider({1, "ADO: The Provider Cannot Be Found here."}));
  EXPECT_TRUE(isMissingProvider({3706, "something else"}));
  EXPECT_FALSE(isMissingProvider({-2147221164, "Class not registered"}));
  EXPECT_FALSE(isMissingProvider({1, "provider cannot be  found"}));
}

}  // namespace
}  // namespace db

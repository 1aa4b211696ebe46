// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include "platform/status.h"

namespace {

TEST(StatusOrDeathTest, AskingAFailureForItsValueEndsTheProgramNamingTheFailure) {
  const platform::StatusOr<int> failed = platform::Status::Fail("no such printer");
  EXPECT_DEATH(static_cast<void>(failed.Value()), "Value\\(\\) called on a failure: no such printer");
}

}  // namespace

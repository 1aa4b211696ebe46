// SPDX-License-Identifier: Apache-2.0
#include "platform/spooler/stall_watch.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/scoped_environment.h"

namespace {

using namespace std::chrono_literals;

// Only silence counts: a count of bytes on the way that moves is progress,
// one that stays (or is not known) is not.
TEST(StallWatch, CountsOnlySilenceAndSaysWhoStoppedAnswering) {
  const testsupport::ScopedEnvironment limit("TORVANE_STALL_SECONDS", "0.3");
  platform::StallWatch watch("socket://printer", {});
  for (int i = 0; i < 6; ++i) {
    watch.Outstanding(1000 - i);  // draining slowly
    std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(watch.KeepWaiting());
  }
  watch.Outstanding(994);
  bool waiting = true;
  for (int slice = 0; slice < 4; ++slice) {  // the silence starts with the first slice asked about
    watch.Outstanding(-1);
    std::this_thread::sleep_for(100ms);
    waiting = watch.KeepWaiting();
  }
  EXPECT_FALSE(waiting);
  const auto stall = watch.Check();
  EXPECT_TRUE(stall.IsTimedOut());
  EXPECT_EQ(stall.Reason(), "socket://printer stopped answering (nothing for 0.3 s)");
  bool stop = false;
  platform::StallWatch stopped("x", [&stop] { return stop; });
  stop = true;
  EXPECT_FALSE(stopped.Check().IsOk());
  EXPECT_FALSE(stopped.Stalled());
}

}  // namespace

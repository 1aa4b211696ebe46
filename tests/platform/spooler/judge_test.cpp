// SPDX-License-Identifier: Apache-2.0
// How the spooler's answer about a document is judged, with either
// platform's reading of a job gone from the queue.
#include <gtest/gtest.h>

#include "platform/spooler/printer.h"
#include "support/enum_names.h"

namespace {

using platform::DocumentState;
using platform::Fate;

TEST(Judge, ReadsEachStateAndAGoneJobAsItsSpoolerMeansIt) {
  const struct {
    DocumentState state;
    bool stopped, held_until_released, undelivered, gone_may_have_printed;
    Fate fate;
    std::string reason;
  } cases[] = {
      {DocumentState::Completed, false, false, false, false, Fate::Printed, ""},
      {DocumentState::Completed, false, false, true, false, Fate::Failed, "jammed"},  // the printer took nothing
      {DocumentState::Gone, false, false, false, true, Fate::Printed, ""},  // Windows forgets printed jobs
      {DocumentState::Gone, false, false, false, false, Fate::Failed, platform::kRemovedReason},  // CUPS keeps them
      {DocumentState::Aborted, false, false, false, false, Fate::Failed, "jammed"},
      {DocumentState::Cancelled, false, false, false, true, Fate::Failed, "jammed"},
      {DocumentState::Pending, false, false, false, false, Fate::Waiting, ""},
      {DocumentState::Processing, true, false, false, true, Fate::Stuck, "jammed"},
      {DocumentState::Held, false, true, false, false, Fate::Stuck, platform::kHeldReason},
  };
  for (const auto& c : cases) {
    platform::DocumentStatus status;
    status.state = c.state;
    status.printer_message = "jammed";
    status.printer_stopped = c.stopped;
    status.held_until_released = c.held_until_released;
    status.undelivered = c.undelivered;
    status.gone_may_have_printed = c.gone_may_have_printed;
    const auto follow = platform::Judge(status);
    EXPECT_EQ(follow.fate, c.fate) << ::testing::PrintToString(c.state);
    EXPECT_EQ(follow.reason, c.reason) << ::testing::PrintToString(c.state);
  }
  platform::DocumentStatus unasked;
  unasked.asked = platform::Status::Fail("no answer");
  EXPECT_EQ(platform::Judge(unasked).fate, Fate::Waiting);  // says nothing either way
}

}  // namespace

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
      {DocumentState::kCompleted, false, false, false, false, Fate::kPrinted, ""},
      {DocumentState::kCompleted, false, false, true, false, Fate::kFailed, "jammed"},  // the printer took nothing
      {DocumentState::kGone, false, false, false, true, Fate::kPrinted, ""},  // Windows forgets printed jobs
      {DocumentState::kGone, false, false, false, false, Fate::kFailed, platform::kRemovedReason},  // CUPS keeps them
      {DocumentState::kAborted, false, false, false, false, Fate::kFailed, "jammed"},
      {DocumentState::kCancelled, false, false, false, true, Fate::kFailed, "jammed"},
      {DocumentState::kPending, false, false, false, false, Fate::kWaiting, ""},
      {DocumentState::kProcessing, true, false, false, true, Fate::kStuck, "jammed"},
      {DocumentState::kHeld, false, true, false, false, Fate::kStuck, platform::kHeldReason},
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
  EXPECT_EQ(platform::Judge(unasked).fate, Fate::kWaiting);  // says nothing either way
}

}  // namespace

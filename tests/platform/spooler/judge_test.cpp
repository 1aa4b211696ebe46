// SPDX-License-Identifier: Apache-2.0
// How a document's answer from the spooler is judged, on every platform's
// reading of a job gone from the queue.
#include <gtest/gtest.h>

#include "platform/spooler/printer.h"

namespace {

using platform::DocumentState;
using platform::Fate;

TEST(Judge, ReadsEachStateAndAGoneJobAsItsSpoolerMeansIt) {
  const struct {
    DocumentState state;
    bool stopped;        // the printer has stopped
    bool gone_may_have_printed;
    Fate fate;
    std::string reason;
  } cases[] = {
      {DocumentState::kCompleted, false, false, Fate::kPrinted, ""},
      {DocumentState::kGone, false, true, Fate::kPrinted, ""},  // Windows forgets printed jobs
      {DocumentState::kGone, false, false, Fate::kFailed, platform::kRemovedReason},  // CUPS keeps them
      {DocumentState::kAborted, false, false, Fate::kFailed, "jammed"},
      {DocumentState::kCancelled, false, true, Fate::kFailed, "jammed"},
      {DocumentState::kPending, false, false, Fate::kWaiting, ""},
      {DocumentState::kHeld, true, false, Fate::kStuck, "jammed"},
      {DocumentState::kProcessing, true, true, Fate::kStuck, "jammed"},
  };
  for (const auto& c : cases) {
    platform::DocumentStatus status;
    status.state = c.state;
    status.printer_message = "jammed";
    status.printer_stopped = c.stopped;
    const auto follow = platform::Judge(status, c.gone_may_have_printed);
    EXPECT_EQ(follow.fate, c.fate) << static_cast<int>(c.state) << c.gone_may_have_printed;
    EXPECT_EQ(follow.reason, c.reason);
  }
  // A spooler that could not be asked says nothing either way.
  platform::DocumentStatus unasked;
  unasked.asked = platform::Status::Fail("no answer");
  EXPECT_EQ(platform::Judge(unasked, false).fate, Fate::kWaiting);
}

}  // namespace

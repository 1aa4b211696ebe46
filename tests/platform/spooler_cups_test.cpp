// What only the CUPS spooler does, against a real private cupsd whose raw
// queues capture every job's bytes: unknown printers, instances, listings, a
// scheduler that refuses or dies, and following documents that fail or
// wait. The document protocol itself is held to its contract in
// printer_contract_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/job_name.h"
#include "platform/printer.h"
#include "support/private_cups.h"
#include "support/spooling.h"
#include "support/test_files.h"

namespace {

using platform::Printer;
using platform::SpoolResult;
using testsupport::JobState;
using testsupport::PrivateCups;
using testsupport::PrivateCupsEnvironment;

const auto* const kSharedCups = ::testing::AddGlobalTestEnvironment(new PrivateCupsEnvironment);

using testsupport::kChunk;
using testsupport::RandomBytes;

class CupsSpooler : public ::testing::Test {
 protected:
  std::unique_ptr<Printer> Open(const std::string& printer) {
    SpoolResult result;
    auto opened = Printer::Open(*spooler_, printer, {}, result);
    EXPECT_TRUE(opened) << result.reason;
    return opened;
  }

  int NewestJobId(const std::string& queue) const {
    const auto jobs = cups_.Jobs(queue);
    return jobs.empty() ? 0 : jobs.back().id;
  }

  PrivateCups& cups_ = PrivateCupsEnvironment::Cups();
  std::unique_ptr<platform::Spooler> spooler_ = platform::MakeSystemSpooler();
};

TEST_F(CupsSpooler, OpeningAnUnknownPrinterFailsWithAReason) {
  const std::string queue = cups_.AddTestQueue();
  for (const std::string& name :
       {std::string("No-Such-Printer"), std::string(), queue + "_x", queue + "/nosuchinstance"}) {
    SpoolResult result;
    const auto printer = spooler_->Open(name, {}, result);
    EXPECT_FALSE(printer) << name;
    EXPECT_FALSE(result.ok) << name;
    EXPECT_NE(result.reason.find(name), std::string::npos) << result.reason;
  }
}

TEST_F(CupsSpooler, InstancesAreListedAndPrintToTheirQueue) {
  const std::string queue = cups_.AddTestQueue();
  cups_.AddInstance(queue, "draft");
  const auto names = spooler_->PrinterNames().names;
  const auto plain = std::find(names.begin(), names.end(), queue);
  ASSERT_NE(plain, names.end());
  ASSERT_NE(plain + 1, names.end());
  EXPECT_EQ(*(plain + 1), queue + "/draft");

  auto printer = Open(queue + "/draft");
  ASSERT_TRUE(printer);
  ASSERT_TRUE(testsupport::SendDocument(*printer, "draft.prn", "through the instance").ok);
  const auto captured = cups_.WaitForDocument(queue, NewestJobId(queue));
  ASSERT_TRUE(captured);
  EXPECT_EQ(captured->bytes, "through the instance");
}

TEST_F(CupsSpooler, APrinterDeletedAfterListingCannotBeUsed) {
  const std::string queue = cups_.AddTestQueue();
  auto opened_before = Open(queue);
  ASSERT_TRUE(opened_before);
  const auto names = spooler_->PrinterNames().names;
  ASSERT_NE(std::find(names.begin(), names.end(), queue), names.end());

  cups_.DeleteQueue(queue);

  SpoolResult result;
  EXPECT_FALSE(spooler_->Open(queue, {}, result));
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.reason.find(queue), std::string::npos) << result.reason;
  // A connection opened before the deletion fails at its next document.
  const SpoolResult started = opened_before->StartDoc("late.prn");
  EXPECT_FALSE(started.ok);
  EXPECT_FALSE(started.reason.empty());
}

// Each document is followed after it was sent, with the printer's words
// when it fails or waits on a stopped printer (a completed one is followed
// in the contract).
TEST_F(CupsSpooler, FollowsDocumentsThatFailOrWait) {
  using platform::DocumentState;
  using platform::Fate;
  const std::string failing = cups_.AddTestQueue("Failing", "fail=1");
  const std::string stopped = cups_.AddTestQueue("Stopped");
  cups_.Disable(stopped, "Out of paper (tray 2)");
  const struct {
    std::string queue;
    Fate fate;
    DocumentState state;
    std::string reason;
  } cases[] = {
      {failing, Fate::kFailed, DocumentState::kAborted, "capture: forced failure (exit 1)"},
      {stopped, Fate::kStuck, DocumentState::kPending, "Out of paper (tray 2)"},
  };
  for (const auto& c : cases) {
    auto printer = Open(c.queue);
    ASSERT_TRUE(printer);
    ASSERT_TRUE(testsupport::SendDocument(*printer, "a.prn", "a"));
    const auto follow = testsupport::Settled(*spooler_, c.queue, printer->JobId());
    EXPECT_EQ(follow.fate, c.fate) << c.queue;
    EXPECT_EQ(follow.status.state, c.state) << c.queue;
    EXPECT_EQ(follow.reason, c.reason) << c.queue;
  }
  // A job the scheduler does not know is gone, which is no failure to ask.
  const auto unknown = spooler_->DocumentStatusOf(failing, 999999, {});
  EXPECT_EQ(unknown.state, DocumentState::kGone);
  EXPECT_EQ(unknown.failure, "");
}

// Servers of their own: exact listings, and a scheduler that dies.
TEST(CupsSpoolerAlone, PrinterNamesListsTheQueuesInTheSpoolersOrder) {
  PrivateCups cups;
  const auto spooler = platform::MakeSystemSpooler();
  EXPECT_TRUE(spooler->PrinterNames().names.empty());
  for (const char* name : {"Zeta", "alpha", "Mid_2", "mid_1"}) cups.AddQueue(name);
  // CUPS lists its destinations by name, ignoring case.
  EXPECT_EQ(spooler->PrinterNames().names, (std::vector<std::string>{"alpha", "mid_1", "Mid_2", "Zeta"}));
}

// The scheduler refusing a document half-way (here: larger than it takes)
// fails that document and removes its job.
TEST(CupsSpoolerAlone, ADocumentRefusedHalfWayFailsAndIsRemoved) {
  PrivateCups cups({"MaxRequestSize 1m"});
  cups.AddQueue("Small");
  const auto spooler = platform::MakeSystemSpooler();
  SpoolResult result;
  auto printer = Printer::Open(*spooler, "Small", {}, result);
  ASSERT_TRUE(printer) << result.reason;
  ASSERT_TRUE(printer->StartDoc("too-large.prn").ok);

  SpoolResult failure = SpoolResult::Ok();
  const std::string chunk = RandomBytes(kChunk, 12);
  for (int i = 0; i < 100 && failure.ok; ++i) {
    std::size_t written = 0;
    failure = printer->Write(chunk.data(), chunk.size(), written);
  }
  if (failure.ok) failure = printer->EndDoc();
  EXPECT_FALSE(failure.ok) << "10 MB reported as printed";
  EXPECT_FALSE(failure.reason.empty());
  // Whichever call failed, ending the document now fails and removes it.
  const SpoolResult ended = printer->EndDoc();
  EXPECT_FALSE(ended.ok);

  const auto jobs = cups.WaitForFinishedJobs("Small");
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].state, JobState::kCanceled);
  EXPECT_TRUE(cups.Captured("Small").empty());
}

TEST(CupsSpoolerAlone, AKilledSchedulerFailsTheDocumentNotTheProcess) {
  PrivateCups cups;
  cups.AddQueue("Doomed");
  const auto spooler = platform::MakeSystemSpooler();
  SpoolResult result;
  auto printer = Printer::Open(*spooler, "Doomed", {}, result);
  ASSERT_TRUE(printer) << result.reason;
  ASSERT_TRUE(printer->StartDoc("large.prn").ok);

  const std::string chunk = RandomBytes(kChunk, 11);
  SpoolResult failure = SpoolResult::Ok();
  // 1 GB at most: far more than the socket buffers can hide.
  for (int i = 0; i < 10000 && failure.ok; ++i) {
    if (i == 20) cups.Kill();
    std::size_t written = 0;
    failure = printer->Write(chunk.data(), chunk.size(), written);
  }
  if (failure.ok) failure = printer->EndDoc();
  EXPECT_FALSE(failure.ok) << "the document was reported as printed";
  EXPECT_FALSE(failure.reason.empty());

  // The document is over; nothing waits for the dead scheduler.
  EXPECT_FALSE(printer->EndDoc().ok);
  const SpoolResult next = printer->StartDoc("next.prn");
  EXPECT_FALSE(next.ok);
  EXPECT_FALSE(next.reason.empty());
  EXPECT_FALSE(spooler->Open("Doomed", {}, result));
  EXPECT_FALSE(result.reason.empty());
}

}  // namespace

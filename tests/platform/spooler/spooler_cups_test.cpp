// SPDX-License-Identifier: Apache-2.0
// What only the CUPS spooler does, against a real private cupsd whose raw
// queues capture every job's bytes: unknown printers, instances, listings, a
// scheduler that refuses or dies, and following documents that fail or
// wait. The document protocol itself is held to its contract in
// printer_contract_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/spooler/job_name.h"
#include "platform/spooler/printer.h"
#include "support/child_process.h"
#include "support/private_cups.h"
#include "support/scoped_environment.h"
#include "support/slow_server.h"
#include "support/temp_folder.h"
#include "support/spooling.h"
#include "support/test_files.h"

namespace {

using platform::Printer;
using platform::Status;
using testsupport::JobState;
using testsupport::PrivateCups;
using testsupport::PrivateCupsEnvironment;

const auto* const kSharedCups = ::testing::AddGlobalTestEnvironment(new PrivateCupsEnvironment);

using testsupport::kChunk;
using testsupport::RandomBytes;

// The printer opened, or null with the reason as a test failure.
std::unique_ptr<Printer> Opened(platform::Spooler& spooler, const std::string& printer) {
  auto opened = Printer::Open(spooler, printer, {});
  EXPECT_TRUE(opened.IsOk()) << opened.Outcome().Reason();
  return opened.IsOk() ? std::move(opened.Value()) : nullptr;
}

class CupsSpooler : public ::testing::Test {
 protected:
  std::unique_ptr<Printer> Open(const std::string& printer) { return Opened(*spooler_, printer); }

  int NewestJobId(const std::string& queue) const {
    const auto jobs = cups_.Jobs(queue);
    return jobs.empty() ? 0 : jobs.back().id;
  }

  PrivateCups& cups_ = PrivateCupsEnvironment::Cups();
  std::unique_ptr<platform::Spooler> spooler_ = platform::MakeSystemSpooler();
};

TEST_F(CupsSpooler, OpeningAnUnknownPrinterFailsWithAReason) {
  const std::string queue = cups_.AddTestQueue();
  const struct {
    std::string name;
    std::string told;  // what the reason holds
  } cases[] = {
      {"No-Such-Printer", "\"No-Such-Printer\""},
      {"", "no printer name given"},
      {queue + "_x", "\"" + queue + "_x\""},
      {queue + "/nosuchinstance", "\"" + queue + "/nosuchinstance\""},
  };
  for (const auto& c : cases) {
    const auto result = spooler_->Open(c.name, {});
    EXPECT_FALSE(result.IsOk()) << c.name;
    EXPECT_NE(result.Outcome().Reason().find(c.told), std::string::npos) << result.Outcome().Reason();
  }
}

TEST_F(CupsSpooler, InstancesAreListedAndPrintToTheirQueue) {
  const std::string queue = cups_.AddTestQueue();
  cups_.AddInstance(queue, "draft");
  const auto names = spooler_->PrinterNames({}).names;
  const auto plain = std::find(names.begin(), names.end(), queue);
  ASSERT_NE(plain, names.end());
  ASSERT_NE(plain + 1, names.end());
  EXPECT_EQ(*(plain + 1), queue + "/draft");

  auto printer = Open(queue + "/draft");
  ASSERT_TRUE(printer);
  ASSERT_TRUE(testsupport::SendDocument(*printer, "draft.prn", "through the instance").IsOk());
  const auto captured = cups_.WaitForDocument(queue, NewestJobId(queue));
  ASSERT_TRUE(captured);
  EXPECT_EQ(captured->bytes, "through the instance");
}

TEST_F(CupsSpooler, APrinterDeletedAfterListingCannotBeUsed) {
  const std::string queue = cups_.AddTestQueue();
  auto opened_before = Open(queue);
  ASSERT_TRUE(opened_before);
  const auto names = spooler_->PrinterNames({}).names;
  ASSERT_NE(std::find(names.begin(), names.end(), queue), names.end());
  std::size_t written = 0;
  ASSERT_TRUE(opened_before->StartDoc("doomed.prn").IsOk());
  ASSERT_TRUE(opened_before->Write("abc", 3, written).IsOk());

  cups_.DeleteQueue(queue);

  // The document under way fails at its end, in the scheduler's words.
  const Status ended = opened_before->EndDoc();
  EXPECT_FALSE(ended.IsOk());
  EXPECT_NE(ended.Reason().find("does not exist"), std::string::npos) << ended.Reason();

  const auto result = spooler_->Open(queue, {});
  EXPECT_FALSE(result.IsOk());
  EXPECT_NE(result.Outcome().Reason().find(queue), std::string::npos) << result.Outcome().Reason();
  // A connection opened before the deletion fails at its next document.
  const Status started = opened_before->StartDoc("late.prn");
  EXPECT_FALSE(started.IsOk());
  EXPECT_FALSE(started.Reason().empty());
}

// Each document is followed after it was sent, with the printer's words
// when it fails or waits on a stopped printer (a completed one is followed
// in the contract).
TEST_F(CupsSpooler, FollowsDocumentsThatFailOrWait) {
  using platform::DocumentState;
  using platform::Fate;
  const std::string failing = cups_.AddTestQueue("Failing", "fail=1");
  const std::string stopped = cups_.AddTestQueue("Stopped"), held = cups_.AddTestQueue("Held");
  cups_.Disable(stopped, "Out of paper (tray 2)");
  cups_.Disable(held, "");
  const struct {
    std::string queue;
    Fate fate;
    DocumentState state;
    std::string reason;
  } cases[] = {
      {failing, Fate::Failed, DocumentState::Aborted, "capture: forced failure (exit 1)"},
      {stopped, Fate::Stuck, DocumentState::Pending, "Out of paper (tray 2)"},
      {held, Fate::Stuck, DocumentState::Held, platform::kHeldReason},
  };
  for (const auto& c : cases) {
    auto printer = Open(c.queue);
    ASSERT_TRUE(printer);
    ASSERT_TRUE(testsupport::SendDocument(*printer, "a.prn", "a").IsOk());
    if (c.queue == held) {  // held by an operator, on a printer that works
      const std::vector<std::string> hold = {"/usr/bin/lp", "-i", held + "-" + std::to_string(printer->JobId()), "-H", "hold"};
      ASSERT_EQ(testsupport::ChildProcess(hold, cups_.Folder()).Wait().status, 0);
      cups_.Enable(held);
    }
    const auto follow = testsupport::Settled(*spooler_, c.queue, printer->JobId());
    EXPECT_EQ(follow.fate, c.fate) << c.queue;
    EXPECT_EQ(follow.status.state, c.state) << c.queue;
    EXPECT_EQ(follow.reason, c.reason) << c.queue;
  }
  // A job the scheduler does not know is gone, which is no failure to ask.
  const auto unknown = spooler_->DocumentStatusOf(failing, 999999, {});
  EXPECT_EQ(unknown.state, DocumentState::Gone);
  EXPECT_TRUE(unknown.asked.IsOk()) << unknown.asked.Reason();
}

// A late answer is an answer: through a server whose every reply comes
// 0.1 to 1 s late, the printer opens, each document prints whole and is
// followed to its end.
TEST_F(CupsSpooler, ASlowServerPrintsEveryDocument) {
  const std::string queue = cups_.AddTestQueue();
  const testsupport::SlowServer slow(&cups_);
  auto printer = Open(queue);
  ASSERT_TRUE(printer);
  for (const std::string bytes : {"first", "second"}) {
    const Status sent = testsupport::SendDocument(*printer, "slow.prn", bytes);
    ASSERT_TRUE(sent.IsOk()) << sent.Reason();
    const auto captured = cups_.WaitForDocument(queue, printer->JobId());
    ASSERT_TRUE(captured);
    EXPECT_EQ(captured->bytes, bytes);
    EXPECT_EQ(testsupport::Settled(*spooler_, queue, printer->JobId()).fate, platform::Fate::Printed);
  }
}

// Servers of their own: exact listings, and a scheduler that dies.
TEST(CupsSpoolerAlone, PrinterNamesListsTheQueuesInTheSpoolersOrder) {
  PrivateCups cups;
  const auto spooler = platform::MakeSystemSpooler();
  EXPECT_TRUE(spooler->PrinterNames({}).names.empty());
  for (const char* name : {"Zeta", "alpha", "Mid_2", "mid_1"}) cups.AddQueue(name);
  // CUPS lists its destinations by name, ignoring case.
  EXPECT_EQ(spooler->PrinterNames({}).names, (std::vector<std::string>{"alpha", "mid_1", "Mid_2", "Zeta"}));
}

// The scheduler refusing a document half-way (here: larger than it takes)
// fails that document and removes its job.
TEST(CupsSpoolerAlone, ADocumentRefusedHalfWayFailsAndIsRemoved) {
  PrivateCups cups({"MaxRequestSize 1m"});
  cups.AddQueue("Small");
  const auto spooler = platform::MakeSystemSpooler();
  const auto printer = Opened(*spooler, "Small");
  ASSERT_TRUE(printer);
  ASSERT_TRUE(printer->StartDoc("too-large.prn").IsOk());

  Status failure = Status::Ok();
  const std::string chunk = RandomBytes(kChunk, 12);
  for (int i = 0; i < 100 && failure.IsOk(); ++i) {
    std::size_t written = 0;
    failure = printer->Write(chunk.data(), chunk.size(), written);
  }
  if (failure.IsOk()) failure = printer->EndDoc();
  EXPECT_FALSE(failure.IsOk()) << "10 MB reported as printed";
  EXPECT_FALSE(failure.Reason().empty());
  // Whichever call failed, ending the document now fails and removes it.
  const Status ended = printer->EndDoc();
  EXPECT_FALSE(ended.IsOk());

  const auto jobs = cups.WaitForFinishedJobs("Small");
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].state, JobState::Canceled);
  EXPECT_TRUE(cups.Captured("Small").empty());
}

TEST(CupsSpoolerAlone, AKilledSchedulerFailsTheDocumentNotTheProcess) {
  PrivateCups cups;
  cups.AddQueue("Doomed");
  const auto spooler = platform::MakeSystemSpooler();
  const auto printer = Opened(*spooler, "Doomed");
  ASSERT_TRUE(printer);
  ASSERT_TRUE(printer->StartDoc("large.prn").IsOk());

  const std::string chunk = RandomBytes(kChunk, 11);
  Status failure = Status::Ok();
  // 1 GB at most: far more than the socket buffers can hide.
  for (int i = 0; i < 10000 && failure.IsOk(); ++i) {
    if (i == 20) cups.Kill();
    std::size_t written = 0;
    failure = printer->Write(chunk.data(), chunk.size(), written);
  }
  if (failure.IsOk()) failure = printer->EndDoc();
  EXPECT_FALSE(failure.IsOk()) << "the document was reported as printed";
  EXPECT_FALSE(failure.Reason().empty());

  // The document is over; nothing waits for the dead scheduler.
  EXPECT_FALSE(printer->EndDoc().IsOk());
  const Status next = printer->StartDoc("next.prn");
  EXPECT_FALSE(next.IsOk());
  EXPECT_FALSE(next.Reason().empty());
  const auto reopened = spooler->Open("Doomed", {});
  EXPECT_FALSE(reopened.IsOk());
  EXPECT_FALSE(reopened.Outcome().Reason().empty());
}

// A job left held by a scheduler that stopped answering is remembered past
// the program's end, and the next program that reaches the scheduler
// cancels it.
TEST(CupsSpoolerAlone, AJobLeftHeldIsCancelledByTheNextRun) {
  PrivateCups cups;
  cups.AddQueue("Stalling");
  const testsupport::TempFolder state;
  const testsupport::ScopedEnvironment state_home("XDG_STATE_HOME", state.Path().string()),
      stall("TORVANE_STALL_SECONDS", "1");
  {
    const auto spooler = platform::MakeSystemSpooler();
    const auto printer = Opened(*spooler, "Stalling");
    ASSERT_TRUE(printer);
    ASSERT_TRUE(printer->StartDoc("left.prn").IsOk());
    cups.Pause();
    EXPECT_TRUE(printer->EndDoc().IsTimedOut());
  }
  cups.Resume();
  ASSERT_EQ(cups.Jobs("Stalling").back().state, JobState::Held);
  ASSERT_TRUE(Opened(*platform::MakeSystemSpooler(), "Stalling"));
  EXPECT_EQ(cups.Jobs("Stalling").back().state, JobState::Canceled);
  EXPECT_EQ(testsupport::ReadAll(state.Path() / "torvane" / "abandoned-jobs"), "");
}

}  // namespace

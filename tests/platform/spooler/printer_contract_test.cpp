// SPDX-License-Identifier: Apache-2.0
// The document protocol held to one contract on every back end: the fake
// spooler, and the system's: CUPS with a private cupsd whose raw queues
// capture every job, or, in the Windows build, winspool under Wine, whose
// spooler hands each ended document to the private cupsd that
// tests/support/with-private-cups starts around the test.
//
// Wine's spooler differs from Windows' in ways that are Wine's; the cases
// say where, and hold Wine to it so that a change in Wine is noticed:
// - AbortPrinter and SetJob's JOB_CONTROL_DELETE do nothing but report
//   success, and closing the printer prints what it got: the port sets
//   such a document aside unended, which must leave nothing printed;
// - GetJob knows a document, pending with no status bits or text, only
//   while it is open: once ended it is gone at once, so Wine cannot tell
//   one that printed from one that CUPS aborted or holds on a stopped
//   printer (Windows keeps a job queued until it has printed).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/spooler/capture_queue.h"
#include "platform/spooler/job_name.h"
#include "platform/spooler/printer.h"
#include "support/host.h"
#include "support/job_doubles.h"
#include "support/poll.h"
#include "support/spooling.h"
#include "support/test_files.h"

namespace {

namespace fs = std::filesystem;
using platform::DocumentState;
using platform::Fate;
using platform::Printer;
using platform::Status;
using testsupport::RandomBytes;

using Document = testsupport::NamedFile;

class PrinterContract : public ::testing::TestWithParam<std::string> {
 protected:
  PrinterContract() { fake_.faults["empty.prn"] = printing_test::Fault::Finish; }  // refused, as CUPS does

  bool Fake() const { return GetParam() == "fake"; }
  bool Wine() const { return testsupport::OnWindows() && !Fake(); }
  platform::Spooler& Spooler() { return Fake() ? static_cast<platform::Spooler&>(fake_) : *system_; }

  // A printer of the test's own, or under Wine a shared one, where each
  // case sees what printed after it began.
  std::unique_ptr<Printer> Open() {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    if (!Fake()) {
      auto queue = testsupport::QueueForCase(name);
      name = queue.name;
      folder_ = queue.folder;
      before_ = Captured().size();
    }
    printer_name_ = name;
    auto opened = Printer::Open(Spooler(), printer_name_, {});
    EXPECT_TRUE(opened.IsOk()) << opened.Outcome().Reason();
    return opened.IsOk() ? std::move(opened.Value()) : nullptr;
  }

  // The documents printed whole, in order, once `count` are there (or
  // after 30 s).
  std::vector<Document> Printed(std::size_t count) const {
    std::vector<Document> printed;
    if (Fake()) {
      for (const auto& doc : fake_.docs) {
        if (doc.ended) printed.push_back({doc.name, doc.bytes});
      }
      return printed;
    }
    testsupport::PollUntil([&] { return (printed = Captured()).size() >= before_ + count; }, std::chrono::seconds(30),
                           std::chrono::milliseconds(100));
    return {printed.begin() + static_cast<std::ptrdiff_t>(std::min(before_, printed.size())), printed.end()};
  }

  // The capture folder's documents, <CUPS job id>-<title>, by job id.
  std::vector<Document> Captured() const {
    std::map<int, Document> by_id;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      const std::string file = entry.path().filename().string();
      if (file[0] == '.') continue;  // still being written
      std::ifstream in(entry.path(), std::ios::binary);
      by_id[std::stoi(file)] = {file.substr(file.find('-') + 1), std::string(std::istreambuf_iterator<char>(in), {})};
    }
    std::vector<Document> printed;
    for (auto& entry : by_id) printed.push_back(std::move(entry.second));
    return printed;
  }

  static Status Send(Printer& printer, const Document& document, const std::function<void()>& started = {}) {
    return testsupport::SendDocument(printer, document.name, document.bytes, started);
  }

  platform::DocumentStatus StatusOf(int job_id) { return Spooler().DocumentStatusOf(printer_name_, job_id, {}); }

  printing_test::Journal journal_;
  printing_test::FakeSpooler fake_{journal_};
  std::unique_ptr<platform::Spooler> system_ = platform::MakeSystemSpooler();
  std::string printer_name_;
  fs::path folder_;
  std::size_t before_ = 0;
};

TEST_P(PrinterContract, DocumentsArriveWholeAsJobsOfTheirOwnFollowedToTheirEnd) {
  std::string all_bytes;
  for (int i = 0; i < 256; ++i) all_bytes += static_cast<char>(i);
  std::vector<Document> documents = testsupport::ChunkBoundaryFiles();
  documents.insert(documents.end(), {
                                        {"megabytes.prn", RandomBytes(3 * 1024 * 1024 + 17, 5)},
                                        {"gzip-magic.prn", "\x1f\x8b" + RandomBytes(5000, 6)},
                                        {"all-bytes.prn", all_bytes},
                                        // Named by a valid job name.
                                        {"Caf\xC3\xA9 (2).prn", "accents"},
                                        {"tab\there.prn", "a control character"},
                                    });
  auto printer = Open();
  ASSERT_TRUE(printer);
  std::vector<int> job_ids;
  for (const auto& document : documents) {
    const Status sent = Send(*printer, document, [&] {
      // Known to the spooler, waiting (CUPS: held for its data), from its start.
      const auto open = StatusOf(printer->JobId());
      EXPECT_EQ(platform::Judge(open).fate, Fate::Waiting);
      EXPECT_NE(open.state, DocumentState::Gone);
      EXPECT_TRUE(open.asked.IsOk()) << open.asked.Reason();
    });
    ASSERT_TRUE(sent.IsOk()) << document.name << ": " << sent.Reason();
    EXPECT_EQ(std::count(job_ids.begin(), job_ids.end(), printer->JobId()), 0);
    job_ids.push_back(printer->JobId());
  }
  ASSERT_TRUE(printer->Close().IsOk());
  const auto printed = Printed(documents.size());
  ASSERT_EQ(printed.size(), documents.size());
  for (std::size_t i = 0; i < documents.size(); ++i) {
    EXPECT_EQ(printed[i].name, platform::JobName(documents[i].name));
    EXPECT_TRUE(printed[i].bytes == documents[i].bytes) << documents[i].name;
    EXPECT_EQ(testsupport::Settled(Spooler(), printer_name_, job_ids[i]).fate, Fate::Printed);
  }
}

// A document cancelled, or left open when the printer closes, prints
// nothing, and the printer goes on with the next.
TEST_P(PrinterContract, RemovedDocumentsPrintNothing) {
  const struct {
    const char* what;
    std::size_t bytes_before;
    bool close_instead;
  } cases[] = {
      {"cancel before any byte", 0, false},
      {"cancel mid-document", 250000, false},
      {"close mid-document", 250000, true},
  };
  auto printer = Open();
  ASSERT_TRUE(printer);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(printer->StartDoc("removed.prn").IsOk());
    const std::string bytes = RandomBytes(c.bytes_before, 9);
    std::size_t written = 0;
    ASSERT_TRUE(printer->Write(bytes.data(), bytes.size(), written).IsOk());
    const Status removed = c.close_instead ? printer->Close() : printer->CancelDoc();
    EXPECT_TRUE(removed.IsOk()) << removed.Reason();
    if (c.close_instead) {
      auto reopened = Printer::Open(Spooler(), printer_name_, {});
      ASSERT_TRUE(reopened.IsOk());
      printer = std::move(reopened.Value());
    }
    ASSERT_TRUE(Send(*printer, {"next.prn", c.what}).IsOk());
  }
  const auto printed = Printed(std::size(cases));
  ASSERT_EQ(printed.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(printed[i].bytes, cases[i].what);
}

TEST_P(PrinterContract, CallsOutOfOrderFailWithTheirReasons) {
  auto printer = Open();
  ASSERT_TRUE(printer);
  std::size_t written = 99;
  EXPECT_EQ(printer->Write("x", 1, written).Reason(), "no document is open");
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(printer->EndDoc().Reason(), "no document is open");
  EXPECT_EQ(printer->CancelDoc().Reason(), "no document is open");
  ASSERT_TRUE(printer->StartDoc("a.prn").IsOk());
  EXPECT_EQ(printer->StartDoc("b.prn").Reason(), "a document is already open");
  ASSERT_TRUE(printer->Write("a", 1, written).IsOk());
  EXPECT_EQ(written, 1u);
  ASSERT_TRUE(printer->EndDoc().IsOk());
  EXPECT_EQ(printer->EndDoc().Reason(), "no document is open");
  EXPECT_TRUE(printer->Close().IsOk());
  EXPECT_TRUE(printer->Close().IsOk());
  EXPECT_EQ(printer->StartDoc("c.prn").Reason(), "the printer is closed");
  EXPECT_EQ(printer->CancelDoc().Reason(), "the printer is closed");
  const auto printed = Printed(1);
  ASSERT_EQ(printed.size(), 1u);
  EXPECT_EQ(printed[0].name, "a.prn");
  // Wine's spooler forgets an ended document at once.
  if (Wine()) {
    EXPECT_EQ(StatusOf(printer->JobId()).state, DocumentState::Gone);
  }
}

// A document whose end fails (an empty one, which every spooler refuses), or
// that is ended after a failed write (which only the fake fails on demand), is
// removed then and there: nothing is left to cancel, and the printer goes on.
TEST_P(PrinterContract, AFailedDocumentIsRemovedAsItEnds) {
  fake_.faults["refused.prn"] = printing_test::Fault::Send;
  auto printer = Open();
  ASSERT_TRUE(printer);
  for (const Document& failing : {Document{"empty.prn", ""}, Document{"refused.prn", "refused"}}) {
    if (!Fake() && failing.name == "refused.prn") continue;
    SCOPED_TRACE(failing.name);
    EXPECT_FALSE(Send(*printer, failing).IsOk());
    EXPECT_FALSE(printer->EndDoc().IsOk());
    EXPECT_EQ(printer->CancelDoc().Reason(), "no document is open");
  }
  ASSERT_TRUE(Send(*printer, {"after.prn", "after"}).IsOk());
  const auto printed = Printed(1);
  ASSERT_EQ(printed.size(), 1u);
  EXPECT_EQ(printed[0].bytes, "after");
}

// A removal the spooler left unanswered stays unanswered in the answer:
// the printer then gives up on the spooler rather than ask it again.
TEST(WithFailedRemoval, KeepsTheFailureAndWhetherTheSpoolerStillAnswers) {
  for (const bool unanswered : {false, true}) {
    const Status removal = unanswered ? Status::TimedOut("silent") : Status::Fail("refused");
    const Status result = platform::WithFailedRemoval(Status::Fail("write failed"), removal);
    EXPECT_FALSE(result.IsOk());
    EXPECT_EQ(result.IsTimedOut(), unanswered);
    EXPECT_EQ(result.Reason(), "write failed; the document could not be removed (" + removal.Reason() + ")");
  }
}

INSTANTIATE_TEST_SUITE_P(BackEnds, PrinterContract, ::testing::Values("fake", "system"),
                         [](const auto& info) { return info.param; });

}  // namespace

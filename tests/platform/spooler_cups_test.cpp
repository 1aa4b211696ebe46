// The CUPS spooler against a real private cupsd whose raw queues capture
// every job's bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "platform/job_name.h"
#include "platform/spooler.h"
#include "support/private_cups.h"
#include "support/random_bytes.h"

namespace {

using platform::PrinterConnection;
using platform::SpoolResult;
using testsupport::JobState;
using testsupport::PrivateCups;
using testsupport::PrivateCupsEnvironment;

const auto* const kSharedCups = ::testing::AddGlobalTestEnvironment(new PrivateCupsEnvironment);

constexpr std::size_t kChunk = 100000;

using testsupport::RandomBytes;

// Where two byte strings first differ, for a readable failure.
std::string Difference(const std::string& expected, const std::string& actual) {
  if (expected == actual) return "equal";
  const auto mismatch =
      std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
  return "expected " + std::to_string(expected.size()) + " bytes, got " +
         std::to_string(actual.size()) + ", first difference at byte " +
         std::to_string(mismatch.first - expected.begin());
}

class CupsSpooler : public ::testing::Test {
 protected:
  // A queue of the test's own on the shared scheduler, named after the test.
  std::string NewQueue(const std::string& suffix = "") {
    std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name() + suffix;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
    cups_.AddQueue(name);
    return name;
  }

  std::unique_ptr<PrinterConnection> Open(const std::string& printer) {
    SpoolResult result;
    auto connection = spooler_->Open(printer, {}, result);
    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_TRUE(connection != nullptr);
    return connection;
  }

  // Writes all of `bytes` in chunks, offering the rest again after a short write.
  static SpoolResult WriteAll(PrinterConnection& printer, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      const std::size_t offered = std::min(kChunk, bytes.size() - sent);
      std::size_t written = 0;
      if (auto result = printer.Write(bytes.data() + sent, offered, written); !result)
        return result;
      if (written == 0) return SpoolResult::Fail("no progress");
      sent += written;
    }
    return SpoolResult::Ok();
  }

  // One document as the print job sends it: a document, one page, chunks.
  static SpoolResult Send(PrinterConnection& printer, const std::string& name,
                          const std::string& bytes) {
    if (auto started = printer.StartDoc(name); !started) return started;
    if (auto page = printer.StartPage(); !page) return page;
    if (auto written = WriteAll(printer, bytes); !written) return written;
    if (auto page = printer.EndPage(); !page) return page;
    return printer.EndDoc();
  }

  int NewestJobId(const std::string& queue) const {
    const auto jobs = cups_.Jobs(queue);
    return jobs.empty() ? 0 : jobs.back().id;
  }

  PrivateCups& cups_ = PrivateCupsEnvironment::Cups();
  std::unique_ptr<platform::Spooler> spooler_ = platform::MakeSystemSpooler();
};

TEST_F(CupsSpooler, BytesArriveUnchanged) {
  // A complete gzip stream of nothing: a spooler that unpacks it would
  // deliver zero bytes.
  const std::string empty_gzip(
      "\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\x03\x00"
      "\x00\x00\x00\x00\x00\x00\x00\x00",
      20);
  const struct {
    const char* name;
    std::string bytes;
  } documents[] = {
      {"one.prn", "x"},
      {"below-chunk.prn", RandomBytes(99999, 1)},
      {"one-chunk.prn", RandomBytes(100000, 2)},
      {"chunk-and-one.prn", RandomBytes(100001, 3)},
      {"two-and-a-half.prn", RandomBytes(250000, 4)},
      {"megabytes.prn", RandomBytes(3 * 1024 * 1024 + 17, 5)},
      {"empty.gz", empty_gzip},
      {"gzip-magic.prn", "\x1f\x8b" + RandomBytes(5000, 6)},
      {"all-bytes.prn",
       [] {
         std::string all;
         for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
         return all;
       }()},
  };
  const std::string queue = NewQueue();
  auto printer = Open(queue);
  ASSERT_TRUE(printer);
  std::vector<int> job_ids;
  for (const auto& document : documents) {
    const SpoolResult sent = Send(*printer, document.name, document.bytes);
    ASSERT_TRUE(sent.ok) << document.name << ": " << sent.reason;
    job_ids.push_back(NewestJobId(queue));
  }
  for (std::size_t i = 0; i < std::size(documents); ++i) {
    const auto captured = cups_.WaitForDocument(queue, job_ids[i]);
    ASSERT_TRUE(captured) << documents[i].name << " was not printed";
    EXPECT_TRUE(captured->bytes == documents[i].bytes)
        << documents[i].name << ": " << Difference(documents[i].bytes, captured->bytes);
  }
}

TEST_F(CupsSpooler, DocumentsThroughOneConnectionBecomeSeparateJobsInOrder) {
  const std::string queue = NewQueue();
  const std::vector<std::string> names = {"first.prn", "second.prn", "third.prn"};
  auto printer = Open(queue);
  ASSERT_TRUE(printer);
  for (const auto& name : names) {
    const SpoolResult sent = Send(*printer, name, "contents of " + name);
    ASSERT_TRUE(sent.ok) << sent.reason;
  }
  ASSERT_TRUE(printer->Close().ok);

  const auto jobs = cups_.WaitForFinishedJobs(queue);
  ASSERT_EQ(jobs.size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(jobs[i].title, names[i]);
    EXPECT_EQ(jobs[i].state, JobState::kCompleted) << names[i];
    const auto captured = cups_.WaitForDocument(queue, jobs[i].id);
    ASSERT_TRUE(captured) << names[i];
    EXPECT_EQ(captured->bytes, "contents of " + names[i]);
    EXPECT_EQ(captured->file_name,
              std::to_string(jobs[i].id) + "-" + names[i].substr(0, names[i].find('.')) + ".prn");
  }
}

// The job keeps the document's name as a valid job name; the captured file
// keeps the job name but for '/', within the file system's 255 bytes.
TEST_F(CupsSpooler, DocumentNamesArriveAsValidJobNames) {
  const auto kanji = [](int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += "\xE6\x97\xA5";
    return s;
  };
  const std::string japanese = "\xE8\xAB\x8B\xE6\xB1\x82\xE6\x9B\xB8 2026.prn";
  const std::string accents = "\xC3\x9C" "ber Caf\xC3\xA9 (2).prn";
  const struct {
    const char* what;
    std::string document_name;
    std::string job_name;
    std::string file_title;  // the captured file's name after "<job id>-"
  } cases[] = {
      {"Japanese and a blank", japanese, japanese, japanese},
      {"accents and blanks", accents, accents, accents},
      {"a backslash is a character here", "back\\slash.prn", "back\\slash.prn",
       "back\\slash.prn"},
      {"a slash", "and/or.prn", "and/or.prn", "and_or.prn"},
      {"300 bytes, cut on a character boundary", "a" + kanji(100), "a" + kanji(84),
       "a" + kanji(84)},
      {"not UTF-8", "caf\xE9.prn", "caf\xEF\xBF\xBD.prn", "caf\xEF\xBF\xBD.prn"},
      {"a control character", "tab\there.prn", "tab\xEF\xBF\xBDhere.prn",
       "tab\xEF\xBF\xBDhere.prn"},
  };
  const std::string queue = NewQueue();
  auto printer = Open(queue);
  ASSERT_TRUE(printer);
  for (const auto& c : cases) {
    const SpoolResult sent = Send(*printer, c.document_name, c.what);
    ASSERT_TRUE(sent.ok) << c.what << ": " << sent.reason;
  }
  const auto jobs = cups_.WaitForFinishedJobs(queue);
  ASSERT_EQ(jobs.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(jobs[i].title, cases[i].job_name) << cases[i].what;
    EXPECT_LE(jobs[i].title.size(), platform::kMaxJobNameBytes);
    const auto captured = cups_.WaitForDocument(queue, jobs[i].id);
    ASSERT_TRUE(captured) << cases[i].what;
    EXPECT_EQ(captured->bytes, cases[i].what);
    // Only the long name is cut, by whole three-byte characters.
    std::string file_name = std::to_string(jobs[i].id) + "-" + cases[i].file_title;
    while (file_name.size() > 255) file_name.resize(file_name.size() - 3);
    EXPECT_EQ(captured->file_name, file_name) << cases[i].what;
  }
}

TEST_F(CupsSpooler, EmptyDocumentFailsAndLeavesNoJobBehind) {
  const std::string queue = NewQueue();
  auto printer = Open(queue);
  ASSERT_TRUE(printer);
  const SpoolResult sent = Send(*printer, "empty.prn", "");
  EXPECT_FALSE(sent.ok);
  EXPECT_NE(sent.reason.find("empty"), std::string::npos) << sent.reason;

  // The connection goes on with the next document.
  ASSERT_TRUE(Send(*printer, "after.prn", "after").ok);
  const auto jobs = cups_.WaitForFinishedJobs(queue);
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[0].state, JobState::kCanceled);
  EXPECT_EQ(jobs[1].state, JobState::kCompleted);
  ASSERT_TRUE(cups_.WaitForDocument(queue, jobs[1].id));
  const auto captured = cups_.Captured(queue);
  ASSERT_EQ(captured.size(), 1u);
  EXPECT_EQ(captured[0].bytes, "after");
}

// A document cancelled, or abandoned by closing the printer, at any point
// leaves nothing printed and its job cancelled.
TEST_F(CupsSpooler, CancelledDocumentsPrintNothing) {
  const struct {
    const char* what;
    std::size_t bytes_before;
    bool close_instead;
  } cases[] = {
      {"cancel before any byte", 0, false},   {"cancel after one byte", 1, false},
      {"cancel mid-document", 250000, false}, {"close mid-document", 250000, true},
      {"close before any byte", 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string queue = NewQueue(std::to_string(&c - cases));
    auto printer = Open(queue);
    ASSERT_TRUE(printer);
    ASSERT_TRUE(printer->StartDoc("cancelled.prn").ok);
    ASSERT_TRUE(printer->StartPage().ok);
    ASSERT_TRUE(WriteAll(*printer, RandomBytes(c.bytes_before, 9)).ok);
    if (c.close_instead) {
      printer.reset();
      printer = Open(queue);
      ASSERT_TRUE(printer);
    } else {
      const SpoolResult cancelled = printer->CancelDoc();
      EXPECT_TRUE(cancelled.ok) << cancelled.reason;
    }
    // Jobs of a queue print in order: once the next one is captured, the
    // cancelled one would have been too.
    ASSERT_TRUE(Send(*printer, "next.prn", "next").ok);
    const auto jobs = cups_.WaitForFinishedJobs(queue);
    ASSERT_EQ(jobs.size(), 2u);
    EXPECT_EQ(jobs[0].state, JobState::kCanceled);
    // Not even queued: the scheduler never received a whole document.
    EXPECT_EQ(jobs[0].kilobytes, 0);
    EXPECT_GT(jobs[1].kilobytes, 0);
    ASSERT_TRUE(cups_.WaitForDocument(queue, jobs[1].id));
    const auto captured = cups_.Captured(queue);
    ASSERT_EQ(captured.size(), 1u);
    EXPECT_EQ(captured[0].bytes, "next");
  }
}

TEST_F(CupsSpooler, CallsOutOfOrderFailWithAReason) {
  const std::string queue = NewQueue();
  auto printer = Open(queue);
  ASSERT_TRUE(printer);
  std::size_t written = 99;
  EXPECT_FALSE(printer->Write("x", 1, written).ok);
  EXPECT_EQ(written, 0u);
  EXPECT_FALSE(printer->StartPage().ok);
  EXPECT_FALSE(printer->EndDoc().ok);
  EXPECT_FALSE(printer->CancelDoc().ok);

  ASSERT_TRUE(printer->StartDoc("a.prn").ok);
  const SpoolResult again = printer->StartDoc("b.prn");
  EXPECT_FALSE(again.ok);
  EXPECT_FALSE(again.reason.empty());
  ASSERT_TRUE(printer->Write("a", 1, written).ok);
  EXPECT_EQ(written, 1u);
  ASSERT_TRUE(printer->EndDoc().ok);
  EXPECT_FALSE(printer->EndDoc().ok);

  EXPECT_TRUE(printer->Close().ok);
  EXPECT_TRUE(printer->Close().ok);
  const SpoolResult closed = printer->StartDoc("c.prn");
  EXPECT_FALSE(closed.ok);
  EXPECT_FALSE(closed.reason.empty());

  const auto jobs = cups_.WaitForFinishedJobs(queue);
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].title, "a.prn");
}

TEST_F(CupsSpooler, OpeningAnUnknownPrinterFailsWithAReason) {
  const std::string queue = NewQueue();
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
  const std::string queue = NewQueue();
  cups_.AddInstance(queue, "draft");
  const auto names = spooler_->PrinterNames().names;
  const auto plain = std::find(names.begin(), names.end(), queue);
  ASSERT_NE(plain, names.end());
  ASSERT_NE(plain + 1, names.end());
  EXPECT_EQ(*(plain + 1), queue + "/draft");

  auto printer = Open(queue + "/draft");
  ASSERT_TRUE(printer);
  ASSERT_TRUE(Send(*printer, "draft.prn", "through the instance").ok);
  const auto captured = cups_.WaitForDocument(queue, NewestJobId(queue));
  ASSERT_TRUE(captured);
  EXPECT_EQ(captured->bytes, "through the instance");
}

TEST_F(CupsSpooler, APrinterDeletedAfterListingCannotBeUsed) {
  const std::string queue = NewQueue();
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
// fails that document and removes its job; the printer goes on.
TEST(CupsSpoolerAlone, ADocumentRefusedHalfWayFailsAndIsRemoved) {
  PrivateCups cups({"MaxRequestSize 1m"});
  cups.AddQueue("Small");
  const auto spooler = platform::MakeSystemSpooler();
  SpoolResult result;
  auto printer = spooler->Open("Small", {}, result);
  ASSERT_TRUE(printer) << result.reason;
  ASSERT_TRUE(printer->StartDoc("too-large.prn").ok);
  ASSERT_TRUE(printer->StartPage().ok);

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

  std::size_t written = 0;
  ASSERT_TRUE(printer->StartDoc("small.prn").ok);
  ASSERT_TRUE(printer->Write("small", 5, written).ok);
  ASSERT_TRUE(printer->EndDoc().ok);
  const auto jobs = cups.WaitForFinishedJobs("Small");
  ASSERT_EQ(jobs.size(), 2u);
  EXPECT_EQ(jobs[0].state, JobState::kCanceled);
  EXPECT_EQ(jobs[1].state, JobState::kCompleted);
  ASSERT_TRUE(cups.WaitForDocument("Small", jobs[1].id));
  const auto captured = cups.Captured("Small");
  ASSERT_EQ(captured.size(), 1u);
  EXPECT_EQ(captured[0].bytes, "small");
}

TEST(CupsSpoolerAlone, AKilledSchedulerFailsTheDocumentNotTheProcess) {
  PrivateCups cups;
  cups.AddQueue("Doomed");
  const auto spooler = platform::MakeSystemSpooler();
  SpoolResult result;
  auto printer = spooler->Open("Doomed", {}, result);
  ASSERT_TRUE(printer) << result.reason;
  ASSERT_TRUE(printer->StartDoc("large.prn").ok);
  ASSERT_TRUE(printer->StartPage().ok);

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

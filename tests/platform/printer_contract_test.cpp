// The document protocol held to one contract on every back end: the fake
// spooler, CUPS (a private cupsd whose raw queues capture every job) and,
// in the Windows build, winspool under Wine, whose spooler hands each ended
// document to a private cupsd started by tests/support/with-private-cups.
//
// What Wine's spooler does differently is Wine's, not the protocol's; the
// cases say where, and hold Wine to it so that a change in Wine is noticed:
// - AbortPrinter and SetJob's JOB_CONTROL_DELETE do nothing but report
//   success, so a document cannot be removed;
// - an empty document is taken, and no CUPS job made for it;
// - a document leaves Wine's queue as soon as it has ended: GetJob knows
//   no ended document, so it reads as gone, that is printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/printer.h"
#include "printing/job_doubles.h"
#include "support/random_bytes.h"
#include "support/settled.h"
#ifndef _WIN32
#include "support/private_cups.h"
#endif

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using platform::Fate;
using platform::Printer;
using platform::SpoolResult;
using testsupport::RandomBytes;

struct Document {
  std::string name;
  std::string bytes;
};

// A back end under test: its spooler, a printer of the test's own, and
// the documents that printer printed.
class BackEnd {
 public:
  virtual ~BackEnd() = default;
  virtual platform::Spooler& Spooler() = 0;
  virtual std::string NewPrinter(const std::string& name) = 0;
  // The documents printed whole, in order, once `count` are there (or the
  // wait for them ran out). Removed documents are never among them.
  virtual std::vector<Document> Printed(const std::string& printer, std::size_t count) = 0;
  // Makes `name`'s document fail at its end; false when this back end
  // cannot.
  virtual bool FailEndOf(const std::string& name) = 0;
  // Whether a document can be removed once written to (not under Wine).
  virtual bool Removes() const { return true; }
};

class FakeBackEnd final : public BackEnd {
 public:
  platform::Spooler& Spooler() override { return spooler_; }
  std::string NewPrinter(const std::string& name) override { return name; }
  std::vector<Document> Printed(const std::string&, std::size_t) override {
    std::vector<Document> printed;
    for (const auto& doc : spooler_.docs) {
      if (doc.ended) printed.push_back({doc.name, doc.bytes});
    }
    return printed;
  }
  bool FailEndOf(const std::string& name) override {
    spooler_.faults[name] = printing_test::Fault::Finish;
    return true;
  }

 private:
  printing_test::Journal journal_;
  printing_test::FakeSpooler spooler_{journal_};
};

#ifndef _WIN32
const auto* const kSharedCups = ::testing::AddGlobalTestEnvironment(new testsupport::PrivateCupsEnvironment);

class CupsBackEnd final : public BackEnd {
 public:
  platform::Spooler& Spooler() override { return *spooler_; }
  std::string NewPrinter(const std::string& name) override {
    cups_.AddQueue(name);
    return name;
  }
  std::vector<Document> Printed(const std::string& printer, std::size_t) override {
    const auto jobs = cups_.WaitForFinishedJobs(printer);
    std::vector<Document> printed;
    for (const auto& document : cups_.Captured(printer)) {
      printed.push_back({document.file_name.substr(document.file_name.find('-') + 1), document.bytes});
    }
    return printed;
  }
  // CUPS refuses an empty document at its end.
  bool FailEndOf(const std::string&) override { return true; }

 private:
  testsupport::PrivateCups& cups_ = testsupport::PrivateCupsEnvironment::Cups();
  std::unique_ptr<platform::Spooler> spooler_ = platform::MakeSystemSpooler();
};
#else
// Captured documents in a capture folder: <CUPS job id>-<title>, printed
// in the order of their ids.
std::vector<Document> CapturedIn(const fs::path& folder) {
  std::map<int, Document> by_id;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string file = entry.path().filename().string();
    if (file.empty() || file[0] == '.') continue;
    std::ifstream in(entry.path(), std::ios::binary);
    by_id[std::stoi(file)] = {file.substr(file.find('-') + 1), std::string(std::istreambuf_iterator<char>(in), {})};
  }
  std::vector<Document> printed;
  for (auto& [id, document] : by_id) printed.push_back(std::move(document));
  return printed;
}

// The queue and its capture folder come from with-private-cups; the queue
// is shared by every case, which each see only what was printed after they
// began.
class WineBackEnd final : public BackEnd {
 public:
  platform::Spooler& Spooler() override { return *spooler_; }
  std::string NewPrinter(const std::string&) override {
    before_ = CapturedIn(Folder()).size();
    return Env("TORVANE_CAPTURE_QUEUE");
  }
  std::vector<Document> Printed(const std::string&, std::size_t count) override {
    std::vector<Document> printed;
    for (auto waited = 0ms; waited < 30s; waited += 100ms) {
      printed = CapturedIn(Folder());
      if (printed.size() >= before_ + count) break;
      std::this_thread::sleep_for(100ms);
    }
    return {printed.begin() + static_cast<std::ptrdiff_t>(std::min(before_, printed.size())), printed.end()};
  }
  bool FailEndOf(const std::string&) override { return false; }
  bool Removes() const override { return false; }

 private:
  static std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
  }
  // Wine's drive Z: is the Unix root.
  static fs::path Folder() { return fs::path("Z:" + Env("TORVANE_CAPTURE_FOLDER")); }

  std::unique_ptr<platform::Spooler> spooler_ = platform::MakeSystemSpooler();
  std::size_t before_ = 0;
};
#endif

std::unique_ptr<BackEnd> MakeBackEnd(const std::string& kind) {
  if (kind == "fake") return std::make_unique<FakeBackEnd>();
#ifndef _WIN32
  return std::make_unique<CupsBackEnd>();
#else
  return std::make_unique<WineBackEnd>();
#endif
}

class PrinterContract : public ::testing::TestWithParam<std::string> {
 protected:
  std::unique_ptr<Printer> Open() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = test->name();
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    printer_name_ = back_end_->NewPrinter(name);
    SpoolResult opened;
    auto printer = Printer::Open(back_end_->Spooler(), printer_name_, {}, opened);
    EXPECT_TRUE(printer) << opened.reason;
    return printer;
  }

  static SpoolResult Send(Printer& printer, const Document& document) {
    if (auto started = printer.StartDoc(document.name); !started) return started;
    std::size_t written = 0;
    for (std::size_t at = 0; at < document.bytes.size(); at += 100000) {
      const std::size_t chunk = std::min<std::size_t>(100000, document.bytes.size() - at);
      if (auto r = printer.Write(document.bytes.data() + at, chunk, written); !r) return r;
    }
    return printer.EndDoc();
  }

  std::unique_ptr<BackEnd> back_end_ = MakeBackEnd(GetParam());
  std::string printer_name_;
};

TEST_P(PrinterContract, DocumentsArriveWholeAsJobsOfTheirOwnFollowedToTheirEnd) {
  std::string all_bytes;
  for (int i = 0; i < 256; ++i) all_bytes += static_cast<char>(i);
  const std::vector<Document> documents = {
      {"one.prn", "x"},
      {"below-chunk.prn", RandomBytes(99999, 1)},
      {"chunk-and-one.prn", RandomBytes(100001, 3)},
      {"megabytes.prn", RandomBytes(3 * 1024 * 1024 + 17, 5)},
      {"gzip-magic.prn", "\x1f\x8b" + RandomBytes(5000, 6)},
      {"all-bytes.prn", all_bytes},
  };
  auto printer = Open();
  ASSERT_TRUE(printer);
  std::vector<int> job_ids;
  for (const auto& document : documents) {
    const SpoolResult sent = Send(*printer, document);
    ASSERT_TRUE(sent) << document.name << ": " << sent.reason;
    EXPECT_NE(printer->JobId(), 0);
    EXPECT_EQ(std::count(job_ids.begin(), job_ids.end(), printer->JobId()), 0);
    job_ids.push_back(printer->JobId());
  }
  ASSERT_TRUE(printer->Close());
  const auto printed = back_end_->Printed(printer_name_, documents.size());
  ASSERT_EQ(printed.size(), documents.size());
  for (std::size_t i = 0; i < documents.size(); ++i) {
    EXPECT_EQ(printed[i].name, documents[i].name);
    EXPECT_TRUE(printed[i].bytes == documents[i].bytes) << documents[i].name;
    EXPECT_EQ(testsupport::Settled(back_end_->Spooler(), printer_name_, job_ids[i]).fate, Fate::kPrinted) << documents[i].name;
  }
}

// A document cancelled, or left open when the printer closes, at any point
// prints nothing, and the printer goes on with the next.
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
    ASSERT_TRUE(printer->StartDoc("removed.prn"));
    const std::string bytes = RandomBytes(c.bytes_before, 9);
    std::size_t written = 0;
    ASSERT_TRUE(printer->Write(bytes.data(), bytes.size(), written));
    const SpoolResult removed = c.close_instead ? printer->Close() : printer->CancelDoc();
    if (!back_end_->Removes()) {
      EXPECT_EQ(removed.reason, "the spooler still holds the document's job after deleting it");
      return;  // Wine: the document stays open and blocks the printer
    }
    EXPECT_TRUE(removed) << removed.reason;
    if (c.close_instead) {
      SpoolResult reopened;
      printer = Printer::Open(back_end_->Spooler(), printer_name_, {}, reopened);
      ASSERT_TRUE(printer) << reopened.reason;
    }
    ASSERT_TRUE(Send(*printer, {"next.prn", c.what}));
  }
  const auto printed = back_end_->Printed(printer_name_, std::size(cases));
  ASSERT_EQ(printed.size(), std::size(cases));
  for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(printed[i].bytes, cases[i].what);
}

TEST_P(PrinterContract, CallsOutOfOrderFailWithTheirReasons) {
  auto printer = Open();
  ASSERT_TRUE(printer);
  std::size_t written = 99;
  EXPECT_EQ(printer->Write("x", 1, written).reason, "no document is open");
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(printer->EndDoc().reason, "no document is open");
  EXPECT_EQ(printer->CancelDoc().reason, "no document is open");
  ASSERT_TRUE(printer->StartDoc("a.prn"));
  EXPECT_EQ(printer->StartDoc("b.prn").reason, "a document is already open");
  ASSERT_TRUE(printer->Write("a", 1, written));
  EXPECT_EQ(written, 1u);
  ASSERT_TRUE(printer->EndDoc());
  EXPECT_EQ(printer->EndDoc().reason, "no document is open");
  EXPECT_TRUE(printer->Close());
  EXPECT_TRUE(printer->Close());
  EXPECT_EQ(printer->StartDoc("c.prn").reason, "the printer is closed");
  EXPECT_EQ(printer->CancelDoc().reason, "the printer is closed");
  const auto printed = back_end_->Printed(printer_name_, 1);
  ASSERT_EQ(printed.size(), 1u);
  EXPECT_EQ(printed[0].name, "a.prn");
}

// A document whose end fails is removed then and there: nothing is left
// to cancel, and the printer goes on.
TEST_P(PrinterContract, AFailedEndRemovesTheDocument) {
  if (!back_end_->FailEndOf("empty.prn")) GTEST_SKIP() << "Wine ends every document, an empty one too";
  auto printer = Open();
  ASSERT_TRUE(printer);
  EXPECT_FALSE(Send(*printer, {"empty.prn", ""}));
  EXPECT_EQ(printer->CancelDoc().reason, "no document is open");
  ASSERT_TRUE(Send(*printer, {"after.prn", "after"}));
  const auto printed = back_end_->Printed(printer_name_, 1);
  ASSERT_EQ(printed.size(), 1u);
  EXPECT_EQ(printed[0].bytes, "after");
}

INSTANTIATE_TEST_SUITE_P(BackEnds, PrinterContract, ::testing::Values("fake", "system"),
                         [](const auto& info) { return info.param; });

}  // namespace

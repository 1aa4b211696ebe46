#include "printing/print_job.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "support/job_doubles.h"
#include "support/temp_folder.h"
#include "support/test_files.h"
#include "support/unreadable_file.h"

namespace {

namespace fs = std::filesystem;
using platform::Status;
using printing::JobEnd;
using printing::NextChunkSize;
using printing::NotSent;
using printing::NotSentReport;
using printing::PrintRequest;
using printing_test::Fault;
using printing_test::FakeSpooler;
using printing_test::Journal;
using printing_test::RecordingView;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

using testsupport::kDash;

TEST(NextChunkSize, FullChunksThenTheRemainder) {
  const struct {
    std::int64_t remaining, chunk;
  } cases[] = {
      {0, 0}, {1, 1}, {99999, 99999}, {100000, 100000}, {100001, 100000},
      {250000, 100000}, {50000, 50000}, {(std::int64_t{1} << 31) + 7, 100000}, {std::int64_t{1} << 40, 100000},
  };
  for (const auto& c : cases) EXPECT_EQ(NextChunkSize(c.remaining), c.chunk) << c.remaining;
}

TEST(NotSentReport, ListsEachFileWithItsReason) {
  EXPECT_EQ(NotSentReport({}, Status::Ok()), "");
  EXPECT_EQ(NotSentReport({{"/j/a.prn", "gone"}}, Status::Ok()),
            "This file was not sent:\n\n/j/a.prn" + kDash + "gone");
  EXPECT_EQ(NotSentReport({{"/j/a.prn", "gone"}, {"/j/b.prn", "refused"}}, Status::Ok()),
            "These files were not sent:\n\n/j/a.prn" + kDash + "gone\n/j/b.prn" + kDash + "refused");
  EXPECT_EQ(NotSentReport({}, Status::Fail("busy")), "The printer could not be closed (busy).");
  EXPECT_EQ(NotSentReport({}, Status::Fail("")), "The printer could not be closed (no reason given).");
  EXPECT_EQ(NotSentReport({{"a", "gone"}}, Status::Fail("busy")),
            "This file was not sent:\n\na" + kDash + "gone\n\nThe printer could not be closed (busy).");
}

using testsupport::RandomBytes;

class PrintJob : public ::testing::Test {
 protected:
  printing::PrintJobResult Run(const std::vector<std::string>& paths) {
    return printing::RunPrintJob(view, spooler, PrintRequest{paths, 0, "P"});
  }

  std::vector<std::string> Events(const std::string& prefix) const {
    std::vector<std::string> found;
    std::copy_if(journal.begin(), journal.end(), std::back_inserter(found),
                 [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
    return found;
  }

  testsupport::TempFolder dir_;
  Journal journal;
  FakeSpooler spooler{journal};
  RecordingView view{journal};
};

TEST_F(PrintJob, ChecksRefuseInOrderWithTheirMessages) {
  const struct {
    bool files;
    int printer_index;
    bool open_fails;
    const char* message;
    std::vector<std::string> journal;
  } cases[] = {
      {false, -1, false, "Please Drag & Drop a prn file.", {"message"}},
      {false, 0, false, "Please Drag & Drop a prn file.", {"message"}},
      {true, -1, true, "Please choose the Printer.\n\nthe list is empty", {"message"}},
      {true, 0, true, "The Printer Name you typed wasn't recognized.\n\nno such printer", {"open P", "message"}},
  };
  const auto file = dir_.Write("a.prn", "x");
  for (const auto& c : cases) {
    Journal log;
    FakeSpooler fake(log);
    fake.open_fails = c.open_fails;
    RecordingView window(log);
    const PrintRequest request{c.files ? std::vector<std::string>{file} : std::vector<std::string>{}, c.printer_index, "P",
                                "the list is empty"};
    const auto result = printing::RunPrintJob(window, fake, request);
    EXPECT_EQ(result.end, JobEnd::Refused);
    EXPECT_THAT(window.messages, ElementsAre(c.message));
    EXPECT_EQ(log, c.journal) << c.message;
  }
}

TEST_F(PrintJob, SendsEveryFileByteForByteAsOneDocumentEach) {
  std::vector<testsupport::NamedFile> files = testsupport::ChunkBoundaryFiles();
  files.insert(files.begin(), {"empty.prn", ""});
  files.push_back({"\xe8\xab\x8b\xe6\xb1\x82\xe6\x9b\xb8.prn", RandomBytes(3145745, 8)});
  std::vector<std::size_t> megabytes(31, 100000);
  megabytes.push_back(45745);
  // The writes of each file: whole chunks, then the rest.
  const std::vector<std::vector<std::size_t>> writes = {
      {}, {1}, {99999}, {100000}, {100000, 1}, {100000, 100000, 50000}, megabytes};
  ASSERT_EQ(writes.size(), files.size());
  std::vector<std::string> paths;
  for (const auto& f : files) paths.push_back(dir_.Write(f.name, f.bytes));
  const auto result = Run(paths);

  EXPECT_EQ(result.end, JobEnd::Finished);
  EXPECT_TRUE(result.not_sent.empty());
  EXPECT_TRUE(view.messages.empty());
  EXPECT_THAT(spooler.opened, ElementsAre("P"));
  ASSERT_EQ(spooler.docs.size(), std::size(files));
  ASSERT_EQ(result.sent.size(), std::size(files));
  for (std::size_t i = 0; i < std::size(files); ++i) {
    const auto& doc = spooler.docs[i];
    EXPECT_EQ(doc.name, files[i].name);
    EXPECT_TRUE(doc.bytes == files[i].bytes) << doc.name;
    EXPECT_EQ(doc.writes, writes[i]) << doc.name;
    EXPECT_TRUE(doc.ended);
    EXPECT_EQ(result.sent[i].path, paths[i]);
    EXPECT_EQ(result.sent[i].job_id, doc.job_id);
    EXPECT_EQ(result.sent[i].printer_name, "P");
  }
  EXPECT_THAT(Events("select"), ElementsAre("select 0", "select 1", "select 2", "select 3", "select 4", "select 5", "select 6"));
  const std::vector<std::string> tail(journal.end() - 3, journal.end());
  EXPECT_THAT(tail, ElementsAre("close", "deselect 6", "print on"));
}

TEST_F(PrintJob, CopiesASpoolerCannotPrintAreSentAgain) {
  const auto path = dir_.Write("a.prn", "abc");
  const auto result = printing::RunPrintJob(view, spooler, {{path}, 0, "P", "", 3});
  ASSERT_EQ(spooler.docs.size(), 3u);
  for (const auto& doc : spooler.docs) EXPECT_EQ(doc.bytes, "abc");
  EXPECT_EQ(result.sent.size(), 3u);
}

TEST_F(PrintJob, ShowsProgressBeforeEachWrite) {
  const auto quarter = dir_.Write("q.prn", RandomBytes(250000, 1));
  const auto empty = dir_.Write("e.prn", "");
  Run({quarter, empty});
  EXPECT_EQ(journal, (Journal{
                         "open P", "print off",
                         "select 0", "create-job q.prn", "progress 0/10",
                         "progress 100000/250000", "send 100000",
                         "progress 200000/250000", "send 100000",
                         "progress 250000/250000", "send 50000",
                         "finish",
                         "select 1", "create-job e.prn", "progress 0/10",
                         "progress 0/0",
                         "finish",
                         "close", "deselect 1", "print on",
                     }));
}

TEST_F(PrintJob, OffersTheRestAgainWhenAWriteTakesOnlyPart) {
  const auto bytes = RandomBytes(250001, 2);
  spooler.max_take = 30000;
  spooler.idle_writes_per_call = 2;  // two writes taking nothing, then one taking some
  Run({dir_.Write("a.prn", bytes)});
  ASSERT_EQ(spooler.docs.size(), 1u);
  EXPECT_TRUE(spooler.docs[0].bytes == bytes);
  EXPECT_TRUE(spooler.docs[0].ended);
  EXPECT_TRUE(std::all_of(spooler.docs[0].writes.begin(), spooler.docs[0].writes.end(),
                          [](std::size_t n) { return n > 0 && n <= 30000; }));
  EXPECT_TRUE(view.messages.empty());
}

TEST_F(PrintJob, ASpoolerFaultCancelsThatDocumentAndTheJobGoesOn) {
  const std::string write_failed = "writing to the printer failed after 0 of 150000 bytes ";
  const struct {
    Fault fault;
    bool discard_fails;
    bool started;  // whether b.prn's document exists at the spooler
    std::string reason;
  } cases[] = {
      {Fault::CreateJob, false, false, "the printer did not accept the document (refused)"},
      {Fault::Send, false, true, write_failed + "(refused)"},
      {Fault::Send, true, true,
       write_failed + "(refused); cancelling its document failed too, so part of it may print (discard refused)"},
      {Fault::IdleSends, false, true, write_failed + "(the printer stopped taking data)"},
      {Fault::OverClaims, false, true, write_failed + "(the spooler claimed more bytes than it was given)"},
      // A failed end removes the document in the same call, and says so when that fails.
      {Fault::Finish, false, true, "the printer did not finish the document (refused)"},
      {Fault::Finish, true, true,
       "the printer did not finish the document (refused; the document could not be removed (discard refused))"},
  };
  const auto a = RandomBytes(1000, 3), b = RandomBytes(150000, 4), c = RandomBytes(120000, 5);
  const std::vector<std::string> paths = {dir_.Write("a.prn", a), dir_.Write("b.prn", b), dir_.Write("c.prn", c)};
  for (const auto& k : cases) {
    Journal log;
    FakeSpooler fake(log);
    fake.faults["b.prn"] = k.fault;
    fake.discard_fails = k.discard_fails;
    RecordingView window(log);
    const auto result = printing::RunPrintJob(window, fake, PrintRequest{paths, 0, "P"});

    SCOPED_TRACE(k.reason);
    EXPECT_EQ(result.end, JobEnd::Finished);
    EXPECT_THAT(window.messages, ElementsAre("This file was not sent:\n\n" + paths[1] + kDash + k.reason));
    ASSERT_EQ(fake.docs.size(), k.started ? 3u : 2u);
    EXPECT_TRUE(fake.docs.front().ended && fake.docs.front().bytes == a);
    EXPECT_TRUE(fake.docs.back().ended && fake.docs.back().bytes == c);
    if (k.started) {
      EXPECT_FALSE(fake.docs[1].ended);
      EXPECT_EQ(fake.docs[1].cancelled, !k.discard_fails);
    }
    EXPECT_EQ(std::count(log.begin(), log.end(), "discard"), k.started ? 1 : 0);
    EXPECT_THAT(window.sent, ElementsAre("0 " + paths[0] + " 1", "2 " + paths[2] + (k.started ? " 3" : " 2")));
    EXPECT_EQ(std::count(log.begin(), log.end(), "close"), 1);
    EXPECT_EQ(log.back(), "message");
  }
}

TEST_F(PrintJob, AFailedCloseIsReported) {
  spooler.close_fails = true;
  Run({dir_.Write("a.prn", "abc")});
  EXPECT_TRUE(spooler.docs.at(0).ended);
  EXPECT_THAT(view.messages, ElementsAre("The printer could not be closed (close refused)."));
}

TEST_F(PrintJob, FilesGoneOrUnreadableAreReportedAndStartNoDocument) {
  const auto a = dir_.Write("a.prn", "first");
  const auto gone = dir_.Write("gone.prn", "deleted after listing");
  const auto folder = (dir_.Path() / "folder.prn").string();
  fs::create_directory(folder);
  const testsupport::UnreadableFile unreadable(dir_.Path() / "unreadable.prn");
  const auto c = dir_.Write("c.prn", "last");
  fs::remove(gone);

  const auto result = Run({a, gone, folder, unreadable.Path(), c});
  ASSERT_EQ(spooler.docs.size(), 2u);
  EXPECT_EQ(spooler.docs[0].bytes, "first");
  EXPECT_EQ(spooler.docs[1].bytes, "last");
  ASSERT_EQ(result.not_sent.size(), 3u);
  EXPECT_EQ(result.not_sent[0].path, gone);
  EXPECT_EQ(result.not_sent[0].reason, "the file could not be measured (No such file or directory)");
  EXPECT_EQ(result.not_sent[1].path, folder);
  EXPECT_EQ(result.not_sent[1].reason, "the file could not be measured (Is a directory)");
  EXPECT_EQ(result.not_sent[2].path, unreadable.Path());
  EXPECT_THAT(result.not_sent[2].reason, testsupport::UnreadableFile::Reason());
  EXPECT_THAT(view.messages, ElementsAre(NotSentReport(result.not_sent, Status::Ok())));
  EXPECT_EQ(std::count(journal.begin(), journal.end(), "discard"), 0);
}

TEST_F(PrintJob, AFileThatChangesWhileSentIsCancelledAndNothingForeignIsSent) {
  const struct {
    std::uintmax_t new_size;  // the file's size after its first chunk went
    std::string reason;
  } cases[] = {
      {150000, "the file became shorter while it was sent (only 150000 of the 250000 bytes measured could be read)"},
      {0, "the file became shorter while it was sent (only 100000 of the 250000 bytes measured could be read)"},
      {250001, "the file grew while it was sent (it was 250000 bytes when measured)"},
      {250000, "the file was rewritten while it was sent"},  // its last bytes, in place
  };
  const auto original = RandomBytes(250000, 6);
  for (const auto& k : cases) {
    const auto path = dir_.Write("a.prn", original);
    const auto next = dir_.Write("b.prn", "next");
    Journal log;
    FakeSpooler fake(log);
    RecordingView window(log);
    // Once the first chunk is read and on its way.
    fake.on_event = [&](const std::string& event) {
      if (event != "send 100000" || fake.docs.size() != 1 || !fake.docs[0].writes.empty()) return;
      if (k.new_size != original.size()) return fs::resize_file(path, k.new_size);
      std::fstream(path, std::ios::in | std::ios::out | std::ios::binary).seekp(-4, std::ios::end).write("new!", 4);
    };
    printing::RunPrintJob(window, fake, PrintRequest{{path, next}, 0, "P"});

    SCOPED_TRACE(k.reason);
    ASSERT_EQ(fake.docs.size(), 2u);
    EXPECT_TRUE(fake.docs[0].cancelled);
    // What went is the file's own bytes, never filler from past its end
    // (rewritten ones are the file's too: the document is taken back).
    if (k.new_size != original.size()) {
      EXPECT_TRUE(original.compare(0, fake.docs[0].bytes.size(), fake.docs[0].bytes) == 0);
    }
    EXPECT_TRUE(fake.docs[1].ended);
    EXPECT_THAT(window.messages, ElementsAre("This file was not sent:\n\n" + path + kDash + k.reason));
  }
}

TEST_F(PrintJob, ClosingTheWindowStopsAfterTheChunkInHand) {
  const struct {
    std::string stop_after;  // the event after which the window asks to close
    std::vector<std::size_t> b_writes;
  } cases[] = {
      {"progress 0/10", {}},
      {"progress 100000/250000", {100000}},
  };
  const std::vector<std::string> paths = {dir_.Write("a.prn", "done before"), dir_.Write("b.prn", RandomBytes(250000, 7)),
                                          dir_.Write("c.prn", "never started")};
  for (const auto& k : cases) {
    Journal log;
    FakeSpooler fake(log);
    RecordingView window(log);
    window.on_progress = [&] {
      if (fake.docs.size() == 2 && log.back() == k.stop_after) window.stop = true;
    };
    const auto result = printing::RunPrintJob(window, fake, PrintRequest{paths, 0, "P"});

    SCOPED_TRACE(k.stop_after);
    EXPECT_EQ(result.end, JobEnd::Stopped);
    ASSERT_EQ(fake.docs.size(), 2u);
    EXPECT_TRUE(fake.docs[0].ended);
    EXPECT_TRUE(fake.docs[1].cancelled);
    EXPECT_EQ(fake.docs[1].writes, k.b_writes);
    ASSERT_EQ(result.not_sent.size(), 2u);
    EXPECT_EQ(result.not_sent[0].path, paths[1]);
    EXPECT_EQ(result.not_sent[1].path, paths[2]);
    EXPECT_EQ(result.not_sent[1].reason, "not sent: the job was stopped before it");
    EXPECT_TRUE(window.messages.empty());
    const std::vector<std::string> tail(log.end() - 4, log.end());
    EXPECT_THAT(tail, ElementsAre("discard", "close", "deselect 2", "print on"));
  }
}

TEST_F(PrintJob, SendsFilesOfTwoGibibytesAndMoreWhole) {
  const std::int64_t length = 2147500001;  // past 2^31, and 21475 full chunks and 1 byte
  const auto path = (dir_.Path() / "big.prn").string();
  std::ofstream(path, std::ios::binary).put('\0');
  std::error_code error;
  fs::resize_file(path, static_cast<std::uintmax_t>(length), error);  // sparse: no disk space used
  if (error) GTEST_SKIP() << "cannot make a sparse file here: " << error.message();
  spooler.keep_bytes = false;
  const auto result = Run({path});

  EXPECT_EQ(result.end, JobEnd::Finished);
  EXPECT_TRUE(result.not_sent.empty());
  EXPECT_EQ(spooler.bytes_taken, length);
  ASSERT_EQ(spooler.docs.size(), 1u);
  EXPECT_EQ(spooler.docs[0].writes.size(), 21476u);
  const std::vector<std::string> tail(journal.end() - 8, journal.end());
  EXPECT_THAT(tail, ElementsAre("progress 2147500000/2147500001", "send 100000",
                                "progress 2147500001/2147500001", "send 1",
                                "finish", "close", "deselect 0", "print on"));
}

}  // namespace

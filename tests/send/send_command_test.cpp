#include "send/send_command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "platform/version.h"
#include "support/job_doubles.h"
#include "support/host.h"
#include "support/scoped_environment.h"
#include "support/temp_folder.h"
#include "support/test_files.h"

namespace {

namespace fs = std::filesystem;
using printing_test::FakeSpooler;
using printing_test::Journal;
using ::testing::ElementsAre;
using ::testing::HasSubstr;


// An output stream's buffer that raises `stop` once `trigger` has been
// written, as an interrupt would at that moment.
class InterruptAt : public std::stringbuf {
 public:
  InterruptAt(std::string trigger, std::atomic<bool>& stop) : trigger_(std::move(trigger)), stop_(stop) {}

 protected:
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    const auto put = std::stringbuf::xsputn(text, count);
    if (str().find(trigger_) != std::string::npos) stop_ = true;
    return put;
  }

 private:
  std::string trigger_;
  std::atomic<bool>& stop_;
};

class RunSend : public ::testing::Test {
 protected:
  // A file of `size` bytes; returns its path.
  std::string MakeFile(const std::string& name, std::size_t size) {
    return dir_.Write(name, testsupport::RandomBytes(size, 7));
  }

  int Run(const std::vector<std::string>& args, bool terminal = false) {
    return sender::RunSend(args, spooler, {out, err, terminal, stop});
  }

  testsupport::TempFolder dir_;
  Journal journal;
  FakeSpooler spooler{journal};
  std::ostringstream out, err;
  std::atomic<bool> stop{false};
};

TEST_F(RunSend, AnswersHelpVersionAndListWithoutSending) {
  EXPECT_EQ(Run({"--help"}), sender::kExitSent);
  EXPECT_THAT(out.str(),
              HasSubstr("Usage: torvane-send [-h SERVER[:PORT]] [-d PRINTER] [-n COPIES] [-t TITLE] [-q] [--wait[=SECONDS]] FILE...\n"));
  out.str("");
  EXPECT_EQ(Run({"--version"}), sender::kExitSent);
  EXPECT_EQ(out.str(), "torvane-send " + std::string(platform::kVersionText) + "\n" + platform::kLicenseLine + "\n");
  out.str("");
  EXPECT_EQ(Run({"--list"}), sender::kExitSent);
  EXPECT_EQ(out.str(), "Fake\n");
  EXPECT_EQ(err.str(), "");
  EXPECT_TRUE(spooler.opened.empty());
}

TEST_F(RunSend, WrongArgumentsSayWhyAndOpenNoPrinter) {
  EXPECT_EQ(Run({"--printer", "P"}), sender::kExitUsage);
  EXPECT_EQ(err.str(),
            "torvane-send: no files given to send to 'P'\nTry 'torvane-send --help' for more information.\n");
  EXPECT_EQ(out.str(), "");
  EXPECT_TRUE(spooler.opened.empty());
}

TEST_F(RunSend, SendsEveryFileTellingItsRequestIdButNoProgressWhenNotOnATerminal) {
  const auto a = MakeFile("a.prn", 250000), b = MakeFile("b.prn", 0), c = MakeFile("M\xc3\xbcller.prn", 3);
  EXPECT_EQ(Run({"-p", "P", a, b, c}), sender::kExitSent);
  EXPECT_THAT(spooler.opened, ElementsAre("P"));
  ASSERT_EQ(spooler.docs.size(), 3u);
  EXPECT_EQ(spooler.docs[0].name, "a.prn");
  EXPECT_EQ(spooler.docs[0].bytes.size(), 250000u);
  EXPECT_EQ(spooler.docs[2].name, "M\xc3\xbcller.prn");
  for (const auto& doc : spooler.docs) EXPECT_TRUE(doc.ended) << doc.name;
  EXPECT_EQ(out.str(),
            "request id is P-1 (" + a + ")\nrequest id is P-2 (" + b + ")\nrequest id is P-3 (" + c + ")\n");
  EXPECT_EQ(err.str(), "");
  // Quiet, as lp -s: no request ids either.
  out.str("");
  EXPECT_EQ(Run({"-q", "-p", "P", a}), sender::kExitSent);
  EXPECT_EQ(out.str() + err.str(), "");
}

TEST_F(RunSend, RewritesOneLinePerFileOnATerminal) {
  const auto a = MakeFile("a.prn", 150000), b = MakeFile("b.prn", 1);
  EXPECT_EQ(Run({"-p", "P", a, b}, true), sender::kExitSent);
  EXPECT_EQ(err.str(), "\r  0% " + a + "\r 66% " + a + "\r100% " + a + "\n\r  0% " + b + "\r100% " + b + "\n");
}

// Standard input is kept in a file of the temporary folder while it goes,
// and that file is gone afterwards.
TEST_F(RunSend, StandardInputIsReportedAsSuchNotAsTheFileItWasKeptIn) {
  std::FILE* input = std::fopen(testsupport::PathFromUtf8(MakeFile("bytes", 70000)).string().c_str(), "rb");
  ASSERT_NE(input, nullptr);
  const testsupport::TempFolder temp;  // as the temporary folder on Windows and elsewhere
  const testsupport::ScopedEnvironment tmp("TMP", temp.Path().string()), tmpdir("TMPDIR", temp.Path().string());
  long kept = 0;
  spooler.on_event = [&](const std::string&) { kept = std::distance(fs::directory_iterator(temp.Path()), {}); };
  spooler.faults["Mail"] = printing_test::Fault::Finish;
  EXPECT_EQ(sender::RunSend({"-p", "P", "-t", "Mail", "-"}, spooler, {out, err, false, stop, fileno(input)}),
            sender::kExitNotSent);
  std::fclose(input);
  EXPECT_EQ(err.str(), "torvane-send: (standard input): the printer did not finish the document (refused)\n");
  EXPECT_EQ(kept, 1);
  EXPECT_TRUE(fs::is_empty(temp.Path()));
}

TEST_F(RunSend, ReportsTheFilesNotSentAndFailsWhileTheOthersGo) {
  // Names reach a Windows program as UTF-8, so there every byte is part of one.
  const bool any_bytes = !testsupport::OnWindows();
  const std::string odd = any_bytes ? "gone\x1b[2J\n\xC2\x9B\xFC\xC3\xA9.prn" : "gone\x1b[2J\n\xC2\x9B\xC3\xA9.prn";
  const std::string shown =
      any_bytes ? "gone\\x1b[2J\\x0a\\xc2\\x9b\\xfc\xC3\xA9.prn" : "gone\\x1b[2J\\x0a\\xc2\\x9b\xC3\xA9.prn";
  const auto a = MakeFile("a.prn", 10), gone = dir_.Path().string() + "/" + odd, c = MakeFile("c.prn", 20);
  spooler.faults["c.prn"] = printing_test::Fault::Finish;
  EXPECT_EQ(Run({"-p", "P", a, gone, c}), sender::kExitNotSent);
  ASSERT_EQ(spooler.docs.size(), 2u);
  EXPECT_TRUE(spooler.docs[0].ended);
  EXPECT_TRUE(spooler.docs[1].cancelled);
  // Control characters (C0, C1) and bytes that are not UTF-8 in a name are
  // shown, not obeyed.
  // One line a file, whatever its name holds.
  EXPECT_EQ(err.str(), "torvane-send: " + dir_.Path().string() + "/" + shown +
                           ": the file could not be measured (No such file or directory)\n" + "torvane-send: " + c +
                           ": the printer did not finish the document (refused)\n");
}

TEST_F(RunSend, APrinterThatCannotBeOpenedFailsWithTheJobsMessage) {
  spooler.open_fails = true;
  EXPECT_EQ(Run({"-p", "Nowhere", MakeFile("a.prn", 1)}), sender::kExitNotSent);
  EXPECT_EQ(err.str(), "torvane-send: printer \"Nowhere\": no such printer\n");
  EXPECT_EQ(out.str(), "");
}

TEST_F(RunSend, AnInterruptTakesBackTheFileInProgressAndReportsIt) {
  const auto a = MakeFile("a.prn", 5), b = MakeFile("b.prn", 250000), c = MakeFile("c.prn", 5);
  // The interrupt arrives as b's progress reaches 40%, its first chunk.
  InterruptAt progress(" 40% " + b, stop);
  std::ostream progress_stream(&progress);
  EXPECT_EQ(sender::RunSend({"-p", "P", a, b, c}, spooler, {out, progress_stream, true, stop}),
            sender::kExitInterrupted);
  ASSERT_EQ(spooler.docs.size(), 2u);
  EXPECT_TRUE(spooler.docs[0].ended);
  EXPECT_TRUE(spooler.docs[1].cancelled);
  EXPECT_EQ(spooler.docs[1].writes, std::vector<std::size_t>{100000});
  // The report starts on a line of its own after the progress line.
  EXPECT_THAT(progress.str(), ::testing::EndsWith(" 40% " + b + "\ntorvane-send: " + b +
                                                  ": not finished: the job was stopped after 100000 of 250000 bytes\n" +
                                                  "torvane-send: " + c + ": not sent: the job was stopped before it\n"));
}

}  // namespace

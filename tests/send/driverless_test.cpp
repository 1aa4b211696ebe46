// torvane-send printing to a printer found on the network, which the print
// server lists without any queue: an IPP Everywhere printer that
// tests/support/ipp-everywhere runs beside this program. Each verdict is
// the printer's own, and only a document it printed is reported printed.
#include "send/send_end_to_end.h"
#include "support/poll.h"

namespace sendtest {
namespace {

const auto* const kSharedCups = ::testing::AddGlobalTestEnvironment(new PrivateCupsEnvironment);

// The destination's name, as CUPS makes it from the announced one.
const std::string kPrinter = "Torvane_IPP";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The document the printer kept of the job named `file_name`.
std::string PrintedBytes(const std::string& file_name) {
  std::string stem = file_name;
  std::replace(stem.begin(), stem.end(), '.', '_');
  for (const auto& entry : fs::directory_iterator(Env("TORVANE_IPP_PRINTER_FILES"))) {
    if (entry.path().filename().string().ends_with("-" + stem + ".ps")) return testsupport::ReadAll(entry.path());
  }
  return "<not printed>";
}

class Driverless : public SendEndToEnd {
 protected:
  std::vector<std::string> Waiting(const std::string& seconds, const NamedFile& file) {
    return {"--wait=" + seconds, "-d", kPrinter, Write(file).string()};
  }
};

TEST_F(Driverless, PrintsAndTellsWhatThePrinterSaidOfEachDocument) {
  ASSERT_FALSE(Env("TORVANE_IPP_PRINTER_FILES").empty()) << "run by tests/support/ipp-everywhere";
  // Listed, though the print server has no queue for it yet.
  ASSERT_TRUE(testsupport::PollUntil([&] { return Run({"--list"}).out.find(kPrinter) != std::string::npos; }, 30s,
                                     200ms));
  const auto expect_verdict = [&](const NamedFile& file, const Outcome& outcome, const std::string& reason) {
    SCOPED_TRACE(file.name);
    if (reason.empty()) {
      EXPECT_EQ(outcome.status, 0) << outcome.err;
      EXPECT_EQ(PrintedBytes(file.name), file.bytes);
    } else {
      EXPECT_EQ(outcome.status, 1) << outcome.err;
      EXPECT_THAT(outcome.err, HasSubstr(file.name + ": did not print: " + reason));
    }
  };
  const NamedFile printed{"printed.prn", "%!PS\n" + RandomBytes(250000, 1)};
  expect_verdict(printed, Run(Waiting("60", printed)), "");
  // Aborted at the printer: CUPS ends the job cancelled, or at times
  // completed; the printer's own word settles it.
  const NamedFile aborted{"aborted.prn", "%!PS abort\n" + RandomBytes(5000, 3)};
  expect_verdict(aborted, Run(Waiting("60", aborted)), "aborted by the printer: the test printer failed on purpose");

  // Cancelled at the printer while printing.
  const NamedFile cancelled{"cancelled.prn", "%!PS slow\n"};
  SenderProcess slow(sender_, Waiting("60", cancelled), folder_);
  ASSERT_TRUE(testsupport::PollUntil([&] { return PrintedBytes(cancelled.name) == cancelled.bytes; }, 30s, 50ms));
  const std::vector<std::string> cancel{"/usr/bin/ipptool", Env("TORVANE_IPP_PRINTER_URI"), "cancel-current-job.test"};
  EXPECT_EQ(testsupport::ChildProcess(cancel, folder_).Wait().status, 0);
  expect_verdict(cancelled, slow.Wait(), "cancelled at the printer");

  // Not PostScript: the printer refuses it, and CUPS ends the job completed.
  // (Its job stays open at the printer, which then prints nothing more.)
  const NamedFile refused{"refused.prn", "\x01" + RandomBytes(5000, 2)};
  expect_verdict(refused, Run(Waiting("60", refused)), "Unable to add document to print job.");

  // The printer's queue stopped: the document waits, and is not printed.
  cups_.Disable(kPrinter, "Out of paper");
  const Outcome stopped = Run(Waiting("3", {"stopped.prn", "%!PS\n"}));
  EXPECT_EQ(stopped.status, 3);
  EXPECT_THAT(stopped.err, HasSubstr("stopped.prn: not printed yet: queued on a stopped printer: Out of paper"));
}

}  // namespace
}  // namespace sendtest

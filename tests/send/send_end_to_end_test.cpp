// SPDX-License-Identifier: Apache-2.0
// torvane-send end to end: what arrives at the spooler, and the names,
// waits and standard input around it.
#include <optional>
#include <string>
#include <vector>

#include "send/send_end_to_end.h"
#include "support/scoped_environment.h"

namespace sendtest {
namespace {

using testsupport::Difference;
using ::testing::Not;

const auto* const kSharedCups = ::testing::AddGlobalTestEnvironment(new PrivateCupsEnvironment);

const std::string kMueller = "Rechnung M\xC3\xBCller.prn";
const std::string kJapanese = "\xE8\xAB\x8B\xE6\xB1\x82\xE6\x9B\xB8.prn";  // 請求書.prn

std::uint32_t Crc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const unsigned char byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// A complete gzip stream holding `payload` in one stored block: a file a
// spooler could take for compressed data and unpack.
std::string GzipStored(const std::string& payload) {
  auto le32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  const auto size = static_cast<std::uint16_t>(payload.size());
  std::string gzip("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
  gzip += '\x01';  // the last block, stored
  gzip += {static_cast<char>(size), static_cast<char>(size >> 8), static_cast<char>(~size),
           static_cast<char>(~size >> 8)};
  return gzip + payload + le32(Crc32(payload)) + le32(static_cast<std::uint32_t>(payload.size()));
}


TEST_F(SendEndToEnd, SendsEveryFileByteForByteAsOneJobNamedAfterIt) {
  std::vector<NamedFile> files = testsupport::ChunkBoundaryFiles();
  files.insert(files.end(), {
                                // Begins with the gzip magic bytes and is a whole gzip stream.
                                {"compressed.prn", GzipStored(RandomBytes(3000, 5))},
                                {"random.prn", RandomBytes(20 * 1000 * 1000, 6)},
                                {kMueller, RandomBytes(1000, 7)},
                            });
  const auto queue = cups_.AddTestQueue();
  const auto outcome = Send(queue, files);
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.err, "");

  const auto printed = PrintedJobs(cups_, queue);
  ASSERT_EQ(printed.size(), files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(files[i].name);
    EXPECT_EQ(printed[i].title, files[i].name);
    ASSERT_TRUE(printed[i].captured);
    EXPECT_TRUE(printed[i].bytes == files[i].bytes) << Difference(files[i].bytes, printed[i].bytes);
  }
  // Not a terminal: no progress; standard output is kept for what scripts
  // read.
  std::vector<std::string> shown;
  for (const auto& file : files) shown.push_back("(" + sender_.Arg(folder_ / file.name) + ")");
  ExpectRequestIds(outcome.out, queue, shown);
}

TEST_F(SendEndToEnd, WaitsUntilEachFilePrintedAndTellsWhyNot) {
  const struct {
    std::string queue, device_options, stopped_because, wait;
    int status;
    std::string why;  // on standard error, after the file
  } cases[] = {
      {"Prints", "", "", "--wait", 0, ""},
      {"Fails", "fail=1", "", "--wait", 1, "did not print: capture: forced failure (exit 1)"},
      {"Stopped", "", "Out of paper (tray 2)", "--wait=2", 3,
       "not printed yet: queued on a stopped printer: Out of paper (tray 2)"},
  };
  const auto file = sender_.Arg(Write({"a.prn", "a"}));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.queue);
    cups_.AddQueue(c.queue, c.device_options);
    if (!c.stopped_because.empty()) cups_.Disable(c.queue, c.stopped_because);
    const auto outcome = Run({c.wait, "-d", c.queue, file});
    ExpectRequestIds(outcome.out, c.queue, {"(" + file + ")"});
    if (sender_.wine) {
      // Wine's deviation: its spooler forgets a job once CUPS has it, and a
      // job gone from the queue counts as printed.
      EXPECT_EQ(outcome.status, 0) << outcome.err;
      continue;
    }
    EXPECT_EQ(outcome.status, c.status) << outcome.err;
    EXPECT_EQ(outcome.err, c.why.empty() ? "" : "torvane-send: " + file + ": " + c.why + "\n");
  }
}

TEST_F(SendEndToEnd, SendsStandardInputByteForByteToThePrinterTheEnvironmentNames) {
  const auto queue = cups_.AddTestQueue();
  const std::string bytes = RandomBytes(250001, 12);  // NULs among every other byte value
  const auto input = Write({"input.bin", bytes});
  const testsupport::ScopedEnvironment no_lpdest("LPDEST", {}), printer("PRINTER", queue);
  const auto outcome = Run({"-"}, input);
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.err, "");
  ExpectRequestIds(outcome.out, queue, {"(standard input)"});
  const auto printed = PrintedJobs(cups_, queue);
  ASSERT_EQ(printed.size(), 1u);
  EXPECT_EQ(printed[0].title, "stdin");
  EXPECT_TRUE(printed[0].bytes == bytes) << Difference(bytes, printed[0].bytes);
}

TEST_F(SendEndToEnd, TakesThePrintServerAndCopiesAsLpDoesAndNamesTheVariableOfAPrinterNotThere) {
  const auto queue = cups_.AddTestQueue();
  const auto file = Write({"a.prn", "abc"}).string();
  {
    const testsupport::ScopedEnvironment lpdest("LPDEST", "Nowhere");
    const auto missing = Run({file});
    EXPECT_EQ(missing.status, 1);
    EXPECT_THAT(missing.err, StartsWith("torvane-send: printer \"Nowhere\" (from $LPDEST): "));
  }
  std::vector<std::string> args = {"-d", queue, "-n", "3", file};
  std::optional<testsupport::ScopedEnvironment> elsewhere;
  if (!sender_.wine) {
    std::string port = testsupport::ReadAll(cups_.Folder() / "port");
    port.pop_back();  // the line break
    elsewhere.emplace("CUPS_SERVER", "/nonexistent/cups.sock");
    args.insert(args.begin(), {"-h", "127.0.0.1:" + port});
  }
  if (!sender_.wine) {  // told of the server -h named, not of the configured one
    EXPECT_THAT(Run({"-h", args[1], "-d", "Nowhere", file}).err, HasSubstr("installed on the print server " + args[1] + "\n"));
  }
  EXPECT_EQ(Run({"-d", "socket://127.0.0.1:65536", file}).status, 2);  // a malformed address: a wrong argument
  const auto sent = Run(args);
  EXPECT_EQ(sent.status, 0) << sent.err;
  const auto printed = PrintedJobs(cups_, queue);
  if (!sender_.wine) {
    // Copies are the job's: one request id, the document printed three times.
    ExpectRequestIds(sent.out, queue, {"(" + file + ")"});
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0].bytes, "abcabcabc");
    return;
  }
  // winspool does not repeat a raw document: it goes three times, and its
  // request id is told once.
  ExpectRequestIds(sent.out, queue, {"(" + file + ")"});
  ASSERT_EQ(printed.size(), 3u);
  for (const auto& job : printed) EXPECT_EQ(job.bytes, "abc");
}

TEST_F(SendEndToEnd, NamesTheDocumentAfterTheFileNamePartOnly) {
  const auto queue = cups_.AddTestQueue();
  fs::create_directories(folder_ / "sub dir");
  const std::vector<NamedFile> files = {{"sub dir/in folder.prn", "a"}, {"bare.prn", "b"}, {kJapanese, "c"}};
  std::vector<std::string> args = {"-p", queue, sender_.Arg(Write(files[0]))};
  Write(files[1]);
  args.push_back("bare.prn");  // relative to the working folder, no separator at all
  args.push_back(sender_.Arg(Write(files[2])));
  const auto outcome = Run(args);
  EXPECT_EQ(outcome.status, 0) << outcome.err;

  const auto printed = PrintedJobs(cups_, queue);
  ASSERT_EQ(printed.size(), 3u);
  EXPECT_EQ(printed[0].title, "in folder.prn");
  EXPECT_EQ(printed[1].title, "bare.prn");
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(printed[i].bytes, files[i].bytes) << i;
  if (!sender_.wine) {
    EXPECT_EQ(printed[2].title, kJapanese);
  } else {
    // Wine's deviation: 請求書.prn is 13 bytes of UTF-8 for 7 UTF-16 units,
    // and Wine keeps only 7 + 4 of them: the title ends mid-name.
    EXPECT_EQ(printed[2].title.size(), 11u) << printed[2].title;
    EXPECT_EQ(printed[2].title.substr(0, 9), kJapanese.substr(0, 9));
  }
}

TEST_F(SendEndToEnd, PostScriptArrivesUnchangedExceptWhereWineEditsIt) {
  const std::string ticket = "%cupsJobTicket: media=A4\n";
  const std::string body = "%!PS-Adobe-3.0\n" + ticket + "showpage\n%%EOF\n";
  const auto queue = cups_.AddTestQueue();
  const auto outcome = Send(queue, {{"page.ps", body}});
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  const auto printed = PrintedJobs(cups_, queue);
  ASSERT_EQ(printed.size(), 1u);
  std::string expected = body;
  // Wine's deviation: its spooler drops job-ticket lines from PostScript.
  if (sender_.wine) expected.erase(expected.find(ticket), ticket.size());
  EXPECT_EQ(printed[0].bytes, expected);
}

TEST_F(SendEndToEnd, AnEmptyFileIsNeverReportedAsPrintedWhenItWasNot) {
  const auto queue = cups_.AddTestQueue();
  const auto outcome = Send(queue, {{"empty.prn", ""}, {"after.prn", "after"}});
  const auto printed = PrintedJobs(cups_, queue);
  // Every spooler refuses a document without data; the file is reported
  // and the next file still goes.
  EXPECT_EQ(outcome.status, 1);
  EXPECT_THAT(outcome.err, StartsWith("torvane-send: " + sender_.Arg(folder_ / "empty.prn") + ": "));
  // Its job is gone with the refused end: no cancel is tried or reported.
  EXPECT_THAT(outcome.err, Not(HasSubstr("cancel")));
  // CUPS made a job for it, which holds nothing; Wine's spooler hands
  // cupsd nothing of a document that never ended.
  ASSERT_EQ(printed.size(), sender_.wine ? 1u : 2u);
  if (!sender_.wine) {
    EXPECT_FALSE(printed[0].captured);
  }
  EXPECT_EQ(printed.back().bytes, "after");
}

}  // namespace
}  // namespace sendtest

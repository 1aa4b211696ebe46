// SPDX-License-Identifier: Apache-2.0
// torvane-send to printers named by their address: socket:// against a
// listener of the test's own on 127.0.0.1 that records what it reads, and
// ipp:// against a raw queue of the private cupsd, whose address is an IPP
// printer's too.

#include <algorithm>
#include <fstream>

#include "send/send_end_to_end.h"
#include "support/scoped_environment.h"
#include "support/socket_printer.h"

namespace sendtest {
namespace {

using testsupport::Difference;

using Listener = testsupport::SocketPrinter;
using testsupport::Reader;

TEST_F(SendEndToEnd, SendsEachCopyOfEachFileOverAConnectionOfItsOwn) {
  std::vector<NamedFile> files = {{"empty.prn", ""}, {"one.prn", "x"}, {"chunks.prn", RandomBytes(250001, 8)}};
  Listener printer;
  std::vector<std::string> args = {"-n", "2", "-d", printer.Address()};
  for (const auto& file : files) args.push_back(sender_.Arg(Write(file)));
  const auto outcome = Run(args);
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_EQ(outcome.err, "");
  const auto documents = printer.Documents();
  ASSERT_EQ(documents.size(), 2 * files.size());
  std::string ids;
  for (std::size_t i = 0; i < documents.size(); ++i) {
    const auto& file = files[i / 2];
    EXPECT_TRUE(documents[i] == file.bytes) << file.name << ": " << Difference(file.bytes, documents[i]);
    if (i % 2 == 0) {
      ids += "request id is " + printer.Address() + "-" + std::to_string(i + 1) + " (" + sender_.Arg(folder_ / file.name) + ")\n";
    }
  }
  // A running number of the documents, told once a file: a socket has no
  // job id.
  EXPECT_EQ(outcome.out, ids);

  // Nothing can be followed after delivery, and that is no failure.
  const auto waited = Run({"--wait", "-d", printer.Address(), sender_.Arg(Write(files[1]))});
  EXPECT_EQ(waited.status, 0);
  EXPECT_THAT(waited.err, HasSubstr("--wait: a printer at a socket:// address tells nothing of a document"));
}

TEST_F(SendEndToEnd, ReportsADocumentThePrinterAtAnAddressDidNotReadWhole) {
  const testsupport::ScopedEnvironment stall("TORVANE_STALL_SECONDS", "2");
  const std::string closed_port = Listener().Address();  // nobody listens there once it is gone
  Listener never_reads(SIZE_MAX, Reader::kNever), closes_half_way(100000), resets_at_once(1),
      half_closes(1, Reader::kHalfCloses);
  // Enough to fill every buffer on the way; or few enough to be written
  // whole before the printer closes, which only its end shows.
  const auto big = sender_.Arg(Write({"big.prn", RandomBytes(20 * 1000 * 1000, 9)}));
  const auto small = sender_.Arg(Write({"small.prn", RandomBytes(250001, 9)}));
  const auto tiny = sender_.Arg(Write({"tiny.prn", RandomBytes(40000, 9)}));
  const struct {
    std::string address, file, why;
  } cases[] = {
      {closed_port, small, "the printer did not accept the document (cannot connect to " + closed_port + ": "},
      {never_reads.Address(), big,
       never_reads.Address() + " stopped answering (nothing for 2 s)"},
      {closes_half_way.Address(), big, closes_half_way.Address() + " broke the connection off: "},
      {closes_half_way.Address(), small, closes_half_way.Address() + " "},
      {resets_at_once.Address(), tiny, resets_at_once.Address() + " did not read the whole document: "},
      {half_closes.Address(), tiny, half_closes.Address() + " ended the connection before the end of the document"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address + " " + c.file);
    const auto outcome = Run({"-d", c.address, c.file});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_THAT(outcome.err, StartsWith("torvane-send: " + c.file + ": "));
    EXPECT_THAT(outcome.err, HasSubstr(c.why));
    EXPECT_EQ(outcome.out, "");
  }
  EXPECT_EQ(closes_half_way.Documents().size(), 2u);
}

// Any byte taken is progress, and a printer that took every byte has the
// document even when it keeps the connection open.
// Where acknowledgements cannot be asked (Winsock), what the printer holds
// unread after the last write must go within the limit.
TEST_F(SendEndToEnd, APrinterThatReadsSlowlyOrKeepsTheConnectionOpenHasTheDocument) {
  const testsupport::ScopedEnvironment stall("TORVANE_STALL_SECONDS", "4");
  Listener slow(SIZE_MAX, Reader::kSlow), keeps_open(SIZE_MAX, Reader::kKeepsOpen);
  const NamedFile file{"slow.prn", RandomBytes(640000, 11)};  // 8 s at 80 KB/s
  const auto slowly = Run({"-d", slow.Address(), sender_.Arg(Write(file))});
  EXPECT_EQ(slowly.status, 0) << slowly.err;
  EXPECT_EQ(slowly.err, "");
  ASSERT_EQ(slow.Documents().size(), 1u);
  EXPECT_TRUE(slow.Documents()[0] == file.bytes);
  const auto open = Run({"-d", keeps_open.Address(), sender_.Arg(Write(file))});
  if (sender_.wine) {  // Winsock tells nothing of acknowledgements
    EXPECT_EQ(open.status, 1);
    EXPECT_THAT(open.err, HasSubstr("cannot tell whether it took the whole document"));
    return;
  }
  EXPECT_EQ(open.status, 0) << open.err;
  EXPECT_THAT(open.err, HasSubstr("the printer acknowledged every byte but had not closed the connection after 4 s"));
}

TEST_F(SendEndToEnd, SendsToThePrintersOwnIppServiceAndFollowsTheJobThere) {
  const auto queue = cups_.AddTestQueue();
  std::ifstream port_file(cups_.Folder() / "port");
  std::string port;
  port_file >> port;
  const std::string address = "ipp://127.0.0.1:" + port + "/printers/" + queue;
  const NamedFile file{"chunks.prn", RandomBytes(250001, 10)};
  const auto outcome = Run({"--wait=60", "-d", address, sender_.Arg(Write(file))});
  if (sender_.wine) {
    EXPECT_EQ(outcome.status, 1);
    EXPECT_THAT(outcome.err, HasSubstr("not supported on Windows"));
    return;
  }
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_THAT(outcome.out, StartsWith("request id is " + address + "-"));
  const auto printed = PrintedJobs(cups_, queue);
  ASSERT_EQ(printed.size(), 1u);
  EXPECT_EQ(printed[0].title, file.name);
  EXPECT_TRUE(printed[0].bytes == file.bytes) << Difference(file.bytes, printed[0].bytes);
}

}  // namespace
}  // namespace sendtest

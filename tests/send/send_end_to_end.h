// SPDX-License-Identifier: Apache-2.0
#pragma once
// torvane-send run as a user runs it, against a private cupsd whose raw
// queues capture every job's bytes. Natively it prints through CUPS. With
// TORVANE_SEND_EXE naming the Windows build it runs that .exe under Wine,
// whose spooler hands each ended document to the same cupsd: the Windows
// spooler code path end to end.
//
// Wine's spooler is not Windows' and deviates in ways that are Wine's, not
// ours. The tests state each one where it shows, and hold Wine to it, so
// that a change in Wine is noticed:
// - it submits documents to CUPS as auto-typed data, not raw (so cupsd may
//   unpack or filter a gzip stream; with the raw queues here a gzip file
//   still arrives unchanged), and strips "%cupsJobTicket:" lines from
//   PostScript on the way;
// - a document name whose UTF-8 form is longer than its UTF-16 length + 4
//   bytes (Japanese names) reaches CUPS cut short;
// - AbortPrinter and SetJob's JOB_CONTROL_DELETE do nothing but report
//   success, and closing the printer prints the open document: a document
//   taken back is set aside unended, and never reaches CUPS;
// - a connection the peer resets after its end was sent reads as closed in
//   order to recv, FD_CLOSE and SO_ERROR; only a read left pending meanwhile
//   ends with the reset;
// - with CUPS gone, EndDocPrinter fails with ERROR_INVALID_HANDLE, except
//   for a document of at most 4 bytes, which it reports ended though no
//   job exists for it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/private_cups.h"
#include "support/temp_folder.h"
#include "support/test_files.h"

namespace sendtest {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::NamedFile;
using testsupport::Outcome;
using testsupport::PrivateCups;
using testsupport::PrivateCupsEnvironment;
using testsupport::RandomBytes;
using ::testing::HasSubstr;
using ::testing::StartsWith;

// How torvane-send is started: the native program, or the Windows one
// under Wine.
struct Sender {
  std::vector<std::string> command;
  bool wine = false;

  static Sender FromEnvironment() {
    if (const char* exe = std::getenv("TORVANE_SEND_EXE"); exe != nullptr && *exe != '\0') {
      return {{"/usr/lib/wine/wine64", exe}, true};
    }
    return {{TORVANE_SEND_PROGRAM}, false};
  }

  // A file as the program is given it: Wine's drive Z: is the Unix root,
  // and on Windows only the backslash separates folders.
  std::string Arg(const fs::path& file) const {
    if (!wine) return file.string();
    std::string windows = "Z:" + file.string();
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return windows;
  }
};

// A running torvane-send, its output going to files in `folder`, which is
// also its working folder.
class SenderProcess : public testsupport::ChildProcess {
 public:
  SenderProcess(const Sender& sender, const std::vector<std::string>& args, const fs::path& folder,
                const fs::path& input = "/dev/null")
      : ChildProcess(Command(sender, args), folder, input), wine_(sender.wine) {}

  Outcome Wait(std::chrono::seconds limit = 120s) {
    Outcome outcome = ChildProcess::Wait(limit);
    outcome.out = Text(outcome.out);
    outcome.err = Text(outcome.err);
    return outcome;
  }

 private:
  static std::vector<std::string> Command(const Sender& sender, const std::vector<std::string>& args) {
    std::vector<std::string> all = sender.command;
    all.insert(all.end(), args.begin(), args.end());
    return all;
  }

  // A Windows console program ends its lines with CR LF.
  std::string Text(std::string text) const {
    if (!wine_) return text;
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    return text;
  }

  bool wine_;
};

class SendEndToEnd : public ::testing::Test {
 protected:
  fs::path Write(const NamedFile& file) { return files_.Write(file.name, file.bytes); }

  // Runs torvane-send to the end with these arguments and standard input.
  Outcome Run(const std::vector<std::string>& args, const fs::path& input = "/dev/null") {
    return SenderProcess(sender_, args, folder_, input).Wait();
  }

  // Writes the files; returns the arguments that send them to the queue,
  // each by its full path.
  std::vector<std::string> Args(const std::string& queue, const std::vector<NamedFile>& files) {
    std::vector<std::string> args = {"-p", queue};
    for (const auto& file : files) args.push_back(sender_.Arg(Write(file)));
    return args;
  }

  Outcome Send(const std::string& queue, const std::vector<NamedFile>& files) {
    return Run(Args(queue, files));
  }

  // Standard output: one request id a file, as lp prints it, the files as
  // `shown`. The job ids are the spooler's (under Wine, Wine's own).
  static void ExpectRequestIds(const std::string& out, const std::string& queue,
                               const std::vector<std::string>& shown) {
    std::string expected;
    for (const auto& file : shown) expected += "request id is " + queue + "-N " + file + "\n";
    EXPECT_EQ(std::regex_replace(out, std::regex("is " + queue + "-[0-9]+ "), "is " + queue + "-N "), expected);
  }

  // The test's jobs once the scheduler is done with them, each with the
  // bytes its backend captured.
  struct Printed {
    std::string title;
    bool captured = false;
    std::string bytes;
  };
  std::vector<Printed> PrintedJobs(const PrivateCups& cups, const std::string& queue) {
    std::vector<Printed> printed;
    const auto jobs = cups.WaitForFinishedJobs(queue);
    // A backend has captured its job's bytes before the job completes.
    const auto captured = cups.Captured(queue);
    for (const auto& job : jobs) {
      auto& entry = printed.emplace_back(Printed{job.title, false, {}});
      for (const auto& document : captured) {
        if (document.job_id == job.id) entry = {job.title, true, document.bytes};
      }
    }
    return printed;
  }

  PrivateCups& cups_ = PrivateCupsEnvironment::Cups();
  const Sender sender_ = Sender::FromEnvironment();
  const testsupport::TempFolder files_;
  const fs::path folder_ = files_.Path();  // the program's working folder too
};

}  // namespace sendtest

// SPDX-License-Identifier: Apache-2.0
// The file of jobs left held: what it cancels at the scheduler, and what
// it keeps of a file that grew, was garbled or had links planted in it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <fstream>

#include "platform/spooler/cups/spooler_cups_abandoned.h"
#include "platform/spooler/cups/spooler_cups_connection.h"
#include "platform/spooler/printer.h"
#include "support/child_process.h"
#include "support/private_cups.h"
#include "support/scoped_environment.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using platform::cups::AbandonedJob;
using platform::cups::AbandonedJobs;
using testsupport::ReadAll;

std::string Line(const std::string& server, const AbandonedJob& job, std::time_t written = std::time(nullptr)) {
  return platform::cups::FormatAbandonedLine({server, written, job}) + "\n";
}

// Only a job as Torvane left it is cancelled: not someone else's held job
// on another queue that a line names, in any of the ways a line may be
// wrong. Every such line is dropped, with old and garbled ones.
TEST(AbandonedJobs, CancelsOnlyTheJobsAsTheyWereLeftAndDropsEveryOtherLine) {
  testsupport::PrivateCups cups;
  cups.AddQueue("Mine");
  cups.AddQueue("Theirs");
  const testsupport::TempFolder state;
  const testsupport::ScopedEnvironment state_home("XDG_STATE_HOME", state.Path().string());
  const fs::path file = state.Path() / "torvane" / "abandoned-jobs";
  const std::vector<std::string> lp = {"/usr/bin/lp", "-d", "Theirs", "-H", "hold", state.Write("report.prn", "a")};
  ASSERT_EQ(testsupport::ChildProcess(lp, state.Path()).Wait().status, 0);
  const int theirs = cups.Jobs("Theirs").back().id;
  const std::string server = platform::cups::ServerName(), user = cupsUser();
  fs::create_directories(file.parent_path());
  std::ofstream(file) << Line(server, {"Theirs", theirs, "report.prn", user})
                      << Line(server, {"Mine", theirs, "report.prn", user})   // not on that queue
                      << Line(server, {"Theirs", theirs, "other.prn", user})  // not that name
                      << Line(server, {"Theirs", theirs, "report.prn", user}, std::time(nullptr) - 31 * 86400)
                      << server + "\tTheirs\t" + std::to_string(theirs) + "\n"  // an old form
                      << "garbage\n\n" << std::string(5000, 'x') + "\n";
  ASSERT_TRUE(platform::Printer::Open(*platform::MakeSystemSpooler(), "Mine", {}).IsOk());
  EXPECT_EQ(cups.Jobs("Theirs").back().state, testsupport::JobState::kHeld);
  EXPECT_EQ(ReadAll(file), "");
}

TEST(AbandonedJobs, NeverWritesThroughALinkAndKeepsNoMoreThanItsCap) {
  const testsupport::TempFolder state;
  const fs::path file = state.Path() / "abandoned-jobs";
  const std::string victim = state.Write("victim", "precious"), server = platform::cups::ServerName();
  fs::create_symlink(victim, file.string() + ".new");
  fs::create_symlink(victim, file);
  AbandonedJobs(file).Add({"Q", 1, "a.prn", "me"});
  EXPECT_EQ(ReadAll(victim), "precious");
  EXPECT_FALSE(fs::is_symlink(file));
  EXPECT_EQ(AbandonedJobs(file).Take().size(), 1u);

  // 10,000 lines of this server and 20 MB of others': at most the cap is
  // read, and the file is cut down to what was kept.
  {
    std::ofstream out(file);
    for (int i = 1; i <= 10000; ++i) out << Line(i % 2 ? server : "elsewhere:631", {"Q", i, "a.prn", "me"});
    out << std::string(20 << 20, 'x');
  }
  EXPECT_LE(AbandonedJobs(file).Take().size(), platform::cups::kMaxLines);
  EXPECT_LT(fs::file_size(file), platform::cups::kMaxLines * platform::cups::kMaxLineBytes);
}

// Two programs adding lines at once lose none of them.
TEST(AbandonedJobs, TwoProgramsWritingAtOnceLoseNoLine) {
  const testsupport::TempFolder state;
  const fs::path file = state.Path() / "abandoned-jobs";
  constexpr int kEach = 100;  // both together: the cap
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = fork();
    if (children[c] == 0) {
      for (int i = 1; i <= kEach; ++i) AbandonedJobs(file).Add({"Q", c * kEach + i, "a.prn", "me"});
      _exit(0);
    }
  }
  for (const pid_t child : children) waitpid(child, nullptr, 0);
  EXPECT_EQ(AbandonedJobs(file).Take().size(), 2u * kEach);
}

}  // namespace

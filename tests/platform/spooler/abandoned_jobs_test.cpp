// SPDX-License-Identifier: Apache-2.0
// The file of jobs left held: what it cancels, and what it keeps of itself.
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

using platform::cups::AbandonedJobs;
using platform::cups::FormatAbandonedLine;

// Not another's held job, nor one a wrong, old or garbled line names: such lines go.
TEST(AbandonedJobs, OnlyAJobAsItWasLeftIsCancelled) {
  testsupport::PrivateCups cups;
  cups.AddQueue("Mine");
  cups.AddQueue("Theirs");
  const testsupport::TempFolder state;
  const testsupport::ScopedEnvironment state_home("XDG_STATE_HOME", state.Path().string());
  const std::vector<std::string> lp = {"/usr/bin/lp", "-d", "Theirs", "-H", "hold", state.Write("report.prn", "a")};
  ASSERT_EQ(testsupport::ChildProcess(lp, state.Path()).Wait().status, 0);
  const int theirs = cups.Jobs("Theirs").back().id;
  const std::string server = platform::cups::ServerName(), user = cupsUser();
  const auto line = [&](const std::string& queue, const std::string& name, std::time_t age = 0) {
    return FormatAbandonedLine({server, std::time(nullptr) - age, {queue, theirs, name, user}}) + "\n";
  };
  const auto file = state.Path() / "torvane" / "abandoned-jobs";
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file) << line("Theirs", "report.prn") << line("Mine", "report.prn") << line("Theirs", "b.prn")
                      << line("Theirs", "report.prn", 31 * 86400) << server + "\tTheirs\t" + std::to_string(theirs)
                      << "\ngarbage\n\n" << std::string(5000, 'x') + "\n";
  ASSERT_TRUE(platform::Printer::Open(*platform::MakeSystemSpooler(), "Mine", {}).IsOk());
  EXPECT_EQ(cups.Jobs("Theirs").back().state, testsupport::JobState::Held);
  EXPECT_EQ(testsupport::ReadAll(file), "");
}

TEST(AbandonedJobs, WritesThroughNoLinkKeepsItsCapAndLosesNoLineToTwoWritersAtOnce) {
  const testsupport::TempFolder state;
  const auto file = state.Path() / "abandoned-jobs";
  const std::string victim = state.Write("victim", "precious"), server = platform::cups::ServerName();
  std::filesystem::create_symlink(victim, file.string() + ".new");
  std::filesystem::create_symlink(victim, file);
  AbandonedJobs(file).Add({"Q", 1, "a.prn", "me"});
  EXPECT_EQ(testsupport::ReadAll(victim), "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(file));
  EXPECT_EQ(AbandonedJobs(file).Take().size(), 1u);

  // 20 MB of garbage, then 10,000 lines, half of them this server's.
  std::string text(20 << 20, 'x');
  for (int i = 1; i <= 10000; ++i) text += "\n" + FormatAbandonedLine({i % 2 ? server : "x", std::time(nullptr), {"Q", i, "a", "b"}});
  std::ofstream(file) << text;
  EXPECT_EQ(AbandonedJobs(file).Take().size(), platform::cups::kMaxLines / 2);  // of the newest
  EXPECT_LT(std::filesystem::file_size(file), platform::cups::kMaxLines * platform::cups::kMaxLineBytes);
  std::filesystem::remove(file);

  constexpr int kEach = 100;  // both together: the cap
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    if ((children[c] = fork()) != 0) continue;
    for (int i = 1; i <= kEach; ++i) AbandonedJobs(file).Add({"Q", c * kEach + i, "a.prn", "me"});
    _exit(0);
  }
  for (const pid_t child : children) waitpid(child, nullptr, 0);
  EXPECT_EQ(AbandonedJobs(file).Take().size(), 2u * kEach);
}

}  // namespace

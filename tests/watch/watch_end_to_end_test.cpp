// torvane-send --watch as a service runs it, against a private cupsd whose
// raw queues capture every job: files there at the start and arriving,
// writers slow and renaming, two watchers, kills, a stopped printer and a
// refused document.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <thread>

#include "support/child_process.h"
#include "support/poll.h"
#include "support/private_cups.h"
#include "support/random_bytes.h"
#include "support/socket_printer.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::HasSubstr;
using testsupport::PrivateCupsEnvironment;

const auto* const kSharedCups = ::testing::AddGlobalTestEnvironment(new PrivateCupsEnvironment);

// torvane-send, or with TORVANE_SEND_EXE the Windows build under Wine.
const char* const kExe = std::getenv("TORVANE_SEND_EXE");
const bool kWine = kExe != nullptr && *kExe != '\0';

// A Wine prefix of its own is a machine of its own: two programs printing
// at once through one prefix's spooler collide there.
std::vector<std::string> Command(std::vector<std::string> args, bool other_machine = false) {
  std::vector<std::string> command = kWine ? std::vector<std::string>{"/usr/lib/wine/wine64", kExe}
                                           : std::vector<std::string>{TORVANE_SEND_PROGRAM};
  if (kWine && other_machine) command.insert(command.begin(), {"/usr/bin/env", std::string("WINEPREFIX=") + std::getenv("TORVANE_OTHER_WINEPREFIX")});
  command.insert(command.end(), args.begin(), args.end());
  return command;
}

class WatchEndToEnd : public ::testing::Test {
 protected:
  // The folder as the program is given it: under Wine, on drive Z:.
  std::string Folder() const {
    if (!kWine || !view_.empty()) return (view_.empty() ? folder_ : view_).string();
    std::string windows = "Z:" + folder_.string();
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return windows;
  }
  testsupport::Outcome Run(const std::vector<std::string>& args) {
    return testsupport::ChildProcess(Command(args), logs_.Path()).Wait();
  }
  // A watcher of the folder, its output in a folder of its own.
  std::unique_ptr<testsupport::ChildProcess> Start(const std::vector<std::string>& more = {}, bool other_machine = false) {
    std::vector<std::string> command = Command({"-d", queue_, "--watch", Folder()}, other_machine);
    command.insert(command.end(), more.begin(), more.end());
    const auto logs = logs_.Path() / std::to_string(++started_);
    fs::create_directory(logs);
    return std::make_unique<testsupport::ChildProcess>(command, logs);
  }
  testsupport::Outcome Stop(testsupport::ChildProcess& watcher) {
    kill(watcher.Pid(), SIGINT);  // Wine ends a program at SIGTERM; SIGINT it hands on
    return watcher.Wait(60s);
  }
  void Write(const std::string& name, const std::string& bytes, const fs::path& in = {}) {
    std::ofstream(in.empty() ? folder_ / name : in / name, std::ios::binary) << bytes;
  }
  std::set<std::string> Names(const char* part) const {
    std::set<std::string> names;
    std::error_code not_yet;  // made by the watcher as it starts
    for (const auto& entry : fs::directory_iterator(folder_ / part, not_yet)) names.insert(entry.path().filename().string());
    return names;
  }
  bool Holds(const char* part, std::size_t count) const {
    return testsupport::PollUntil([&] { return Names(part).size() == count; }, 60s, 20ms);
  }
  // Captured documents by title; each title's bytes once for every job.
  std::map<std::string, std::vector<std::string>> Captured() const {
    std::map<std::string, std::vector<std::string>> by_title;
    if (kWine) cups_.WaitForFinishedJobs(queue_);  // Wine's spooler counts a document printed once CUPS has it
    for (const auto& document : cups_.Captured(queue_)) {
      by_title[document.file_name.substr(document.file_name.find('-') + 1)].push_back(document.bytes);
    }
    return by_title;
  }

  testsupport::PrivateCups& cups_ = PrivateCupsEnvironment::Cups();
  const std::string queue_ = cups_.AddTestQueue();
  const testsupport::TempFolder files_, logs_;
  const fs::path folder_ = files_.Path();
  int started_ = 0;
  fs::path view_;  // where the watchers are given the folder, when not at folder_
};

TEST_F(WatchEndToEnd, OncePrintsWhatIsThereLeavesIgnoredNamesAndKeepsAHistory) {
  Write("a.prn", "A");
  Write("b.prn", testsupport::RandomBytes(250000, 1));
  for (const char* ignored : {".hidden", "c.tmp", "d.part", "e~"}) Write(ignored, "no");
  fs::rename(folder_ / "c.tmp", folder_ / "c.prn");  // written, then renamed
  const auto outcome = Start({"--once", "--settle", "0"})->Wait();
  EXPECT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_THAT(outcome.out, HasSubstr("printed b.prn (request id " + queue_ + "-"));
  EXPECT_EQ(Names("printed"), (std::set<std::string>{"a.prn", "b.prn", "c.prn"}));
  EXPECT_TRUE(fs::exists(folder_ / ".hidden") && fs::exists(folder_ / "d.part") && fs::exists(folder_ / "e~"));
  const auto captured = Captured();
  EXPECT_EQ(captured.at("b.prn"), std::vector<std::string>{testsupport::RandomBytes(250000, 1)});
  const auto history = Run({"--history", Folder()});
  EXPECT_THAT(history.out, HasSubstr("  printed  b.prn  250000 bytes  " + queue_ + "-"));
}

TEST_F(WatchEndToEnd, OnceOpensNoLinkNorPipeAndFailsThemWithTheReason) {
  if (kWine) GTEST_SKIP() << "Wine shows a Unix link as the file it names, and has no pipes";
  Write("secret", "not for the printer", logs_.Path());
  fs::create_symlink(logs_.Path() / "secret", folder_ / "link.prn");
  ASSERT_EQ(mkfifo((folder_ / "pipe.prn").c_str(), 0600), 0);
  const auto outcome = Start({"--once", "--settle", "0"})->Wait(30s);
  EXPECT_EQ(outcome.status, 1) << outcome.err;
  EXPECT_THAT(outcome.err, HasSubstr("failed link.prn: a symbolic link, which is not followed"));
  EXPECT_THAT(outcome.err, HasSubstr("failed pipe.prn: not a regular file"));
  EXPECT_TRUE(fs::is_symlink(folder_ / "failed" / "link.prn") && fs::is_fifo(folder_ / "failed" / "pipe.prn"));
  EXPECT_TRUE(Captured().empty());
}

TEST_F(WatchEndToEnd, ABurstAndASlowWriterEachPrintWholeOnceInOrder) {
  auto watcher = Start({"--settle", "1"});
  std::this_thread::sleep_for(300ms);  // watching: the files arrive, none was there before
  std::thread slow([this] {
    std::ofstream out(folder_ / "slow.prn", std::ios::binary);
    for (int i = 0; i < 12; ++i) {
      out << "piece " << i << '\n' << std::flush;
      std::this_thread::sleep_for(400ms);  // the file changes more often than the settle time
    }
  });
  const int kBurst = kWine ? 400 : 1000;  // under Wine, within the time of one test
  for (int i = 0; i < kBurst; ++i) Write("f" + std::to_string(10000 + i) + ".prn", std::to_string(i));
  slow.join();
  ASSERT_TRUE(Holds("printed", kBurst + 1)) << Names("printed").size();
  EXPECT_EQ(Stop(*watcher).status, 130);
  const auto captured = Captured();
  ASSERT_EQ(captured.size(), kBurst + 1u);
  EXPECT_EQ(captured.at("slow.prn").size(), 1u);
  EXPECT_THAT(captured.at("slow.prn")[0], HasSubstr("piece 11\n"));
  // Job ids follow the files' arrival.
  std::string previous;
  auto documents = cups_.Captured(queue_);
  std::sort(documents.begin(), documents.end(), [](const auto& a, const auto& b) { return a.job_id < b.job_id; });
  for (const auto& document : documents) {
    const auto title = document.file_name.substr(document.file_name.find('-') + 1);
    if (title == "slow.prn") continue;
    EXPECT_LT(previous, title);
    previous = title;
  }
}

TEST_F(WatchEndToEnd, TwoWatchersOfOneFolderPrintEachFileOnce) {
  auto first = Start({"--settle", "0"}), second = Start({"--settle", "0"}, true);
  // Both watching: each has its work folder (a new Wine prefix takes a while).
  const auto watching = [&] {
    const auto names = Names(".torvane");
    return std::count_if(names.begin(), names.end(), [](const auto& name) { return name.rfind("work-", 0) == 0; }) == 2;
  };
  ASSERT_TRUE(testsupport::PollUntil(watching, 60s, 20ms));
  for (int i = 0; i < 200; ++i) Write("t" + std::to_string(i) + ".prn", "two watchers");
  ASSERT_TRUE(Holds("printed", 200));
  Stop(*first);
  Stop(*second);
  const auto captured = Captured();
  EXPECT_EQ(captured.size(), 200u);
  for (const auto& [title, copies] : captured) EXPECT_EQ(copies.size(), 1u) << title;
}

TEST_F(WatchEndToEnd, KilledAtRandomThenRestartedEveryFileEndsOnceNeverTwiceUntold) {
  constexpr int kFiles = 300;
  for (int i = 0; i < kFiles; ++i) Write("k" + std::to_string(i) + ".prn", testsupport::RandomBytes(20000, i));
  std::mt19937 random(std::random_device{}());
  for (int round = 0; round < 6; ++round) {
    auto watcher = Start({"--settle", "0"});
    std::this_thread::sleep_for(std::chrono::milliseconds(100 + random() % 900));
    kill(watcher->Pid(), SIGKILL);
    watcher->Wait();
  }
  EXPECT_EQ(Start({"--once", "--settle", "0"})->Wait().status == 130, false);
  const auto printed = Names("printed"), failed = Names("failed");
  const auto captured = Captured();
  for (int i = 0; i < kFiles; ++i) {
    const auto name = "k" + std::to_string(i) + ".prn";
    const bool in_printed = printed.count(name) > 0, in_failed = failed.count(name) > 0;
    EXPECT_NE(in_printed, in_failed) << name;
    const auto copies = captured.count(name) > 0 ? captured.at(name).size() : 0;
    EXPECT_TRUE(copies == 0 || captured.at(name)[0] == testsupport::RandomBytes(20000, i)) << name;
    if (in_printed) {
      EXPECT_EQ(copies, 1u) << name;
    } else {
      EXPECT_LE(copies, 1u) << name;
      EXPECT_THAT(testsupport::ReadAll(folder_ / "failed" / (name + ".reason.txt")), HasSubstr("may have printed")) << name;
    }
  }
  EXPECT_EQ(printed.size() + failed.size() / 2, static_cast<std::size_t>(kFiles));
}

TEST_F(WatchEndToEnd, AtASocketPrinterDeliveredWholeCountsAsPrintedAndBrokenOffFails) {
  testsupport::SocketPrinter whole, resets(1);
  const std::pair<testsupport::SocketPrinter*, std::string> cases[] = {
      {&whole, "printed  s.prn  40000 bytes  " + whole.Address() + "-1  delivered whole; a printer at a socket"},
      {&resets, "failed  s.prn  40000 bytes  " + resets.Address() + "-1  not sent whole: the printer did not finish"}};
  for (const auto& [printer, history] : cases) {
    Write("s.prn", testsupport::RandomBytes(40000, 3));
    EXPECT_EQ(Run({"-d", printer->Address(), "--watch", Folder(), "--once", "--settle", "0"}).status, printer != &whole);
    EXPECT_THAT(Run({"--history", Folder()}).out, HasSubstr(history));
  }
  EXPECT_EQ(whole.Documents(), std::vector<std::string>{testsupport::RandomBytes(40000, 3)});
  EXPECT_THAT(testsupport::ReadAll(folder_ / "failed" / "s.prn.reason.txt"), HasSubstr("did not read the whole"));
}

// On a full disk the history cannot say first that a document goes, so
// none goes: the files wait, told why, and print once there is room.
TEST_F(WatchEndToEnd, OnAFullDiskFilesWaitUntilThereIsRoom) {
  const testsupport::TempFolder small;
  view_ = small.Path();
  if (kWine || std::system(("mount -t tmpfs -o size=1m tmpfs " + Folder()).c_str()) != 0) GTEST_SKIP() << "needs root";
  const std::shared_ptr<void> unmount(nullptr, [&](void*) { EXPECT_EQ(std::system(("umount " + Folder()).c_str()), 0); });
  Write("a.prn", "waits for room", view_);
  Write(".filler", std::string(2000000, 'x'), view_);  // as much as fits
  const auto full = Start({"--once", "--settle", "0"})->Wait();
  EXPECT_EQ(full.status, 1);
  EXPECT_THAT(full.out, HasSubstr("returned a.prn: the history could not be written (the disk may be full)"));
  fs::remove(view_ / ".filler");
  EXPECT_EQ(Start({"--once", "--settle", "0"})->Wait().status, 0);
  EXPECT_TRUE(fs::exists(view_ / "printed" / "a.prn"));
}

TEST_F(WatchEndToEnd, AStoppedPrinterKeepsItsFileWaitingAndARefusedOneFails) {
  cups_.Disable(queue_, "Out of paper");
  auto watcher = Start({"--settle", "0"});
  Write("w.prn", "waits");
  ASSERT_TRUE(testsupport::PollUntil([&] { return testsupport::ReadAll(logs_.Path() / "1" / ".out").find("waiting w.prn") != std::string::npos; }, 30s, 50ms));
  EXPECT_THAT(testsupport::ReadAll(logs_.Path() / "1" / ".out"), HasSubstr("Out of paper"));
  Write("later.prn", "still sent meanwhile");
  ASSERT_TRUE(testsupport::PollUntil([&] { return cups_.Jobs(queue_).size() == 2; }, 30s, 50ms));
  EXPECT_TRUE(Names("printed").empty());
  // Where a person looks to see why (Wine's spooler does not tell CUPS's state).
  if (!kWine) {
    EXPECT_THAT(Run({"--list", "-l"}).out, HasSubstr(queue_ + "  stopped: Out of paper"));
  }
  cups_.Enable(queue_);
  ASSERT_TRUE(Holds("printed", 2));
  Stop(*watcher);

  const auto refusing = cups_.AddTestQueue("refusing", "fail=1");
  const auto outcome = Run({"-d", refusing, "--watch", Folder(), "--once", "--settle", "0"});
  EXPECT_EQ(outcome.status, 0);  // nothing was there yet
  Write("r.prn", "refused");
  EXPECT_EQ(Run({"-d", refusing, "--watch", Folder(), "--once", "--settle", "0"}).status, 1);
  EXPECT_THAT(testsupport::ReadAll(folder_ / "failed" / "r.prn.reason.txt"), HasSubstr("forced failure"));
}

}  // namespace

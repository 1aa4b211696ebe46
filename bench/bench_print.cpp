// SPDX-License-Identifier: Apache-2.0
// How fast a large file reaches the spooler through the window's print
// job, next to a bare libcups sender and `lp -o raw`, all into one private
// scheduler in the same run; and what the job costs the window meanwhile:
// its peak memory growth and the longest time its event loop went without
// running.
//
//   bench_print [--mib N] [--rounds N] [--folder DIR] [--cupsd-timer-slack NS] [--check]
//
// N MiB of pseudo-random data (1024 by default) go through every sender
// once per round, the senders' order rotating from round to round, after
// one warm-up round that is shown but not counted. Before each run the
// file is dropped from the page cache, so every sender reads it from disk;
// after each run the captured document is compared byte for byte with the
// file, removed, and the file system synced, so that no sender inherits
// another's write-back. Set QT_QPA_PLATFORM=offscreen to run without a
// display. With --check the exit status is 1 when an aim is missed.
//
// cupsd takes a document 32 KiB at a time and pauses briefly between two
// such reads; with the kernel's default timer slack (50 us) those pauses
// bound what any sender reaches. --cupsd-timer-slack sets the scheduler's
// slack (in nanoseconds, root only) so that the senders' own costs show.

#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/kel_prn_print.h"
#include "bench/event_loop_monitor.h"
#include "bench/measure.h"
#include "bench/senders.h"
#include "bench/test_file.h"
#include "platform/settings/settings_store.h"
#include "platform/spooler/spooler.h"
#include "support/private_cups.h"

namespace bench {
namespace {

// The aims the job is held to. Its ratio to `lp -o raw` is shown beside
// them but not held: it can reach no more than the bare sender's ratio to
// lp, which cupsd's own reading caps.
constexpr double kAimOfBare = 0.95;   // at least this share of a bare sender
constexpr long kAimGrowthKib = 1024;  // peak memory growth below this
constexpr double kAimStallMs = 50.0;  // no event-loop gap above this

struct Options {
  std::int64_t mib = 1024;
  int rounds = 3;
  fs::path folder = fs::temp_directory_path();
  std::optional<long> cupsd_timer_slack_ns;
  bool check = false;  // exit 1 when an aim is missed
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--check") {
      options.check = true;
      continue;
    }
    if (i + 1 >= argc) {
      Fail("usage: bench_print [--mib N] [--rounds N] [--folder DIR] [--cupsd-timer-slack NS] [--check]");
    }
    const std::string value = argv[++i];
    if (arg == "--mib") {
      options.mib = std::stoll(value);
    } else if (arg == "--rounds") {
      options.rounds = std::stoi(value);
    } else if (arg == "--folder") {
      options.folder = value;
    } else if (arg == "--cupsd-timer-slack") {
      options.cupsd_timer_slack_ns = std::stol(value);
    } else {
      Fail("unknown option " + arg);
    }
  }
  if (options.mib < 1 || options.rounds < 1) Fail("--mib and --rounds must be at least 1");
  return options;
}

// The window as the program builds it, over an INI file in the run's
// folder that names the bench queue as the saved printer, listing the file.
class Window {
 public:
  Window(const fs::path& folder, const fs::path& file)
      : settings_(platform::MakeIniSettingsStore((folder / "Torvane.ini").string())),
        spooler_(platform::MakeSystemSpooler()) {
    settings_->Save(app::kAppName, app::kSection, "ListIdx", kQueue);
    window_ = std::make_unique<app::KelPrnPrint>(app::Services{*settings_, *spooler_, "\"" + file.string() + "\""});
    window_->Form_Load();
    window_->Show();
    QApplication::processEvents();
    if (window_->List_printer.ListIndex() < 0 ||
        window_->List_printer.List(window_->List_printer.ListIndex()) != kQueue) {
      Fail(std::string("the window did not select the queue ") + kQueue);
    }
    if (window_->List_File.ListCount() != 1) Fail("the window did not list the file");
  }

  // Runs the Print button's handler, as a click does, and measures the job
  // until its end has reached the window.
  Run PrintOnce() {
    Run run;
    const long rss_before = StatusKib("VmRSS");
    const bool peak_reset = ResetPeakRss();
    const double cpu_before = OwnCpuSeconds();
    monitor_.Start();
    const auto start = Clock::now();
    window_->But_Out_Click();
    // The window's own event loop runs until the job's end has reached it.
    QEventLoop loop;
    QTimer ended;
    QObject::connect(&ended, &QTimer::timeout, [&] {
      if (!window_->JobRunning()) loop.quit();
    });
    ended.start(1);
    loop.exec();
    run.seconds = Seconds(Clock::now() - start);
    monitor_.Stop();
    run.sender_cpu = OwnCpuSeconds() - cpu_before;
    run.stall_ms = monitor_.LongestGapMs();
    run.stall_end = monitor_.LongestGapEnd();
    const long peak = monitor_.PeakSampledRssKib();
    run.growth_kib = (peak_reset ? std::max(StatusKib("VmHWM"), peak) : peak) - rss_before;
    if (!monitor_.Messages().empty()) Fail("the job reported: " + monitor_.Messages().front());
    if (!window_->But_Out.Enabled()) Fail("Print is still disabled after the job");
    return run;
  }

 private:
  std::unique_ptr<platform::SettingsStore> settings_;
  std::unique_ptr<platform::Spooler> spooler_;
  std::unique_ptr<app::KelPrnPrint> window_;
  EventLoopMonitor monitor_;
};

// Checks that the newest job of the queue completed under `title` and that
// its captured document is the file, byte for byte; then removes the
// capture and flushes what the scheduler and the backend wrote.
void CheckAndClear(const testsupport::PrivateCups& cups, const fs::path& capture, const fs::path& file,
                   const std::string& title) {
  const auto jobs = cups.WaitForFinishedJobs(kQueue, std::chrono::minutes(5));
  if (jobs.empty()) Fail("the scheduler has no job");
  const auto& job = jobs.back();
  if (job.title != title) Fail("the newest job is \"" + job.title + "\", not \"" + title + "\"");
  if (job.state != testsupport::JobState::Completed) {
    std::ostringstream state;
    state << job.state;
    Fail("job " + std::to_string(job.id) + " (" + title + ") ended " + state.str());
  }
  const std::string prefix = std::to_string(job.id) + "-";
  std::optional<fs::path> captured;
  for (const auto& entry : fs::directory_iterator(capture)) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) captured = entry.path();
  }
  if (!captured) Fail("no capture of job " + std::to_string(job.id));
  if (fs::file_size(*captured) != fs::file_size(file)) {
    Fail("job " + std::to_string(job.id) + " (" + title + ") captured " + std::to_string(fs::file_size(*captured)) +
         " bytes, not " + std::to_string(fs::file_size(file)));
  }
  if (!SameBytes(*captured, file)) Fail("job " + std::to_string(job.id) + " (" + title + ") captured other bytes");
  fs::remove(*captured);
  Fd folder(cups.Folder(), O_RDONLY | O_DIRECTORY);
  syncfs(folder.Get());
}

pid_t SchedulerPid(const testsupport::PrivateCups& cups) {
  std::ifstream in(cups.Folder() / "cupsd.pid");
  pid_t pid = 0;
  if (!(in >> pid)) Fail("the private scheduler's pid is not known");
  return pid;
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

// Prints one run's figures.
void PrintRun(const std::string& round, const Run& run, std::int64_t size) {
  std::printf("%-8s %-14s %8.2f s %8.1f MB/s  CPU %5.2f s  cupsd CPU %5.2f s", round.c_str(), SenderName(run.sender),
              run.seconds, static_cast<double>(size) / run.seconds / 1e6, run.sender_cpu, run.cupsd_cpu);
  if (run.sender == Sender::Job) {
    std::printf("  stall %5.1f ms (at %.2f s)  memory +%ld KiB", run.stall_ms, run.stall_end, run.growth_kib);
  }
  std::printf("\n");
  std::fflush(stdout);
}

// A warm-up round, shown but not counted, then the counted rounds; each
// round starts one sender later, so no sender always goes first.
template <class Send>
std::vector<Run> RunRounds(int rounds, std::int64_t size, Send send) {
  for (const Sender sender : kSenders) PrintRun("warm-up", send(sender), size);
  std::vector<Run> runs;
  for (int round = 0; round < rounds; ++round) {
    for (int i = 0; i < 3; ++i) {
      runs.push_back(send(kSenders[(round + i) % 3]));
      PrintRun("round " + std::to_string(round + 1), runs.back(), size);
    }
  }
  return runs;
}

// Prints the senders' throughputs and the job's figures against its aims;
// returns whether every aim was met. The median decides, the best shows
// what a sender does when the machine leaves it alone.
bool Summarize(const std::vector<Run>& runs, std::int64_t size, int rounds) {
  const auto rates = [&](Sender sender) {
    std::vector<double> list;
    for (const auto& run : runs) {
      if (run.sender == sender) list.push_back(static_cast<double>(size) / run.seconds / 1e6);
    }
    return list;
  };
  const auto best = [](const std::vector<double>& list) { return *std::max_element(list.begin(), list.end()); };
  const auto job = rates(Sender::Job), bare = rates(Sender::Bare), lp = rates(Sender::Lp);
  double stall = 0;
  long growth = 0;
  for (const auto& run : runs) {
    if (run.sender != Sender::Job) continue;
    stall = std::max(stall, run.stall_ms);
    growth = std::max(growth, run.growth_kib);
  }
  std::printf("\n                     median      best   (MB/s, %d runs each)\n", rounds);
  for (const Sender sender : kSenders) {
    std::printf("  %-18s %8.1f  %8.1f\n", SenderName(sender), Median(rates(sender)), best(rates(sender)));
  }
  const double over_lp = Median(job) / Median(lp), of_bare = Median(job) / Median(bare);
  const bool aims[] = {of_bare >= kAimOfBare, growth < kAimGrowthKib, stall <= kAimStallMs};
  std::printf("  job / lp -o raw    %8.2f  %8.2f\n", over_lp, best(job) / best(lp));
  std::printf("  job / bare libcups %8.2f  %8.2f   aim >= %.2f: %s\n", of_bare, best(job) / best(bare), kAimOfBare,
              Verdict(aims[0]));
  // What sending as the job does reaches at best: the bare sender over lp.
  std::printf("  (bare / lp -o raw  %8.2f  %8.2f)\n", Median(bare) / Median(lp), best(bare) / best(lp));
  std::printf("  peak memory growth of the job  %ld KiB   aim < %ld KiB: %s\n", growth, kAimGrowthKib,
              Verdict(aims[1]));
  std::printf("  longest event-loop stall       %.1f ms   aim <= %.0f ms: %s\n", stall, kAimStallMs, Verdict(aims[2]));
  std::printf("load average at the end: %s", LoadAverage().c_str());
  std::printf(
      "(memory: VmHWM, reset through /proc/self/clear_refs just before each job, or else VmRSS\n"
      " sampled every 100 ms during it, less VmRSS before it; the largest of the counted jobs)\n");
  return std::all_of(std::begin(aims), std::end(aims), [](bool met) { return met; });
}

// The private scheduler with the bench queue, and the window on it: each
// sender's run into them, from a file just dropped from the page cache to
// its capture checked and removed.
class Stage {
 public:
  Stage(const fs::path& folder, const fs::path& file, std::optional<long> cupsd_timer_slack_ns)
      : file_(file), capture_(cups_.AddQueue(kQueue)), cupsd_(SchedulerPid(cups_)) {
    if (cupsd_timer_slack_ns) SetTimerSlackNs(cupsd_, *cupsd_timer_slack_ns);
    window_.emplace(folder, file);
  }

  long CupsdTimerSlackNs() const { return TimerSlackNs(cupsd_); }

  Run Send(Sender sender) {
    EvictFromCache(file_);
    const double cupsd_before = ProcessCpuSeconds(cupsd_);
    std::string title;
    Run run;
    switch (sender) {
      case Sender::Job:
        title = file_.filename().string();
        run = window_->PrintOnce();
        break;
      case Sender::Bare:
        title = "bare-libcups";
        run = SendBare(file_, title);
        break;
      case Sender::Lp:
        title = "lp-raw";
        run = SendWithLp(file_, title);
        break;
    }
    run.sender = sender;
    run.cupsd_cpu = ProcessCpuSeconds(cupsd_) - cupsd_before;
    CheckAndClear(cups_, capture_, file_, title);
    return run;
  }

 private:
  fs::path file_;
  testsupport::PrivateCups cups_;
  fs::path capture_;
  pid_t cupsd_;
  std::optional<Window> window_;  // made once the queue is there to list
};

int Bench(const Options& options) {
  const std::int64_t size = options.mib * static_cast<std::int64_t>(kBlock);
  const TempFolder folder(options.folder);
  const fs::path file = folder.Path() / "bench.prn";
  std::printf("writing %lld MiB of pseudo-random data to %s\n", static_cast<long long>(options.mib), file.c_str());
  WriteTestFile(file, size);
  Stage stage(folder.Path(), file, options.cupsd_timer_slack_ns);
  std::printf(
      "%lld MiB through one raw queue of a private cupsd (its backend copies each document to disk),\n"
      "%d round(s) after a warm-up; every transfer checked byte for byte; cupsd timer slack %ld ns;\n"
      "window platform %s; load average %s",
      static_cast<long long>(options.mib), options.rounds, stage.CupsdTimerSlackNs(),
      QGuiApplication::platformName().toStdString().c_str(), LoadAverage().c_str());
  const auto runs = RunRounds(options.rounds, size, [&](Sender sender) { return stage.Send(sender); });
  const bool met = Summarize(runs, size, options.rounds);
  return options.check && !met ? 1 : 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  try {
    return bench::Bench(bench::ParseOptions(argc, argv));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "bench_print: %s\n", error.what());
    return 1;
  }
}

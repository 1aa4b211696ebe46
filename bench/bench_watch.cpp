// SPDX-License-Identifier: Apache-2.0
// The watched folder against a plain torvane-send of the same files, in one
// run into one private scheduler: N files of 1-10 kB (10000 by default)
// sent and printed by `torvane-send --wait FILE...`, then dropped at once
// into a folder that `torvane-send --watch` watches, timed until the last
// is in printed/; the watcher's peak memory meanwhile; then how soon a
// file in the idle folder is being sent: closed by its writer (an event
// tells it), and linked in (no event: a rescan finds it, and it waits the
// settle time). Each run starts with the scheduler's job history purged,
// so that neither pays for the other's jobs; with --rounds R the two take
// turns R times, so that a change in the machine's load falls on both.
//
//   bench_watch [--files N] [--rounds R] [--latency-samples N] [--settle-samples N] [--check]
//
// With --check the exit status is 1 when an aim is missed: at most 1.2
// times the plain sender's time, under 20 MB, every file sent within
// 100 ms of its close, and without an event within the settle time, one
// rescan and those 100 ms; all printed once each, in arrival order.
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "bench/measure.h"
#include "support/child_process.h"
#include "support/private_cups.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The watcher's settle time, and how often it looks at the whole folder.
constexpr int kSettleSeconds = 1;
constexpr double kRescanSeconds = 1;
// From a file's close to its document being sent, at most.
constexpr double kSendAimMs = 100;

// The files, written into `folder`, named in arrival order.
std::vector<std::string> MakeFiles(const fs::path& folder, int count) {
  std::mt19937 random(7);
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) {
    names.push_back("f" + std::to_string(100000 + i) + ".prn");
    std::string bytes(1024 + random() % 9217, '\0');
    for (auto& byte : bytes) byte = static_cast<char>(random());
    std::ofstream(folder / names.back(), std::ios::binary) << bytes;
  }
  return names;
}

// Forgets every job, so that the next run starts with the scheduler as empty.
void PurgeJobs(const fs::path& logs) {
  fs::create_directories(logs / "cancel");
  const auto purged = testsupport::ChildProcess({"/usr/bin/cancel", "-a", "-x"}, logs / "cancel").Wait();
  if (purged.status != 0) std::fprintf(stderr, "the jobs were not purged: %s\n", purged.err.c_str());
  std::this_thread::sleep_for(1s);
}

void StopWatcher(testsupport::ChildProcess& watcher) {
  kill(watcher.Pid(), SIGTERM);
  watcher.Wait();
}

// Whether the history's text from `offset` on has the "sending" line of `name`.
bool SendingTold(const fs::path& history, std::uintmax_t offset, const std::string& name) {
  std::ifstream in(history, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  for (std::string line; std::getline(in, line);) {
    if (line.find("\"file\":\"" + name + "\"") != std::string::npos &&
        line.find("\"verdict\":\"sending\"") != std::string::npos) {
      return true;
    }
  }
  return false;
}

struct Latency {
  double median = 0, worst = 0;
};

// From each file's arrival, by `arrive`, to its "sending" line; each
// after the one before has printed, at a random point of the watcher's
// rhythm.
template <typename Arrive>
Latency MeasureLatency(const fs::path& watched, const std::string& prefix, int samples, Arrive arrive) {
  std::mt19937 random(11);
  std::vector<double> latencies;
  const auto history = watched / ".torvane" / "history.jsonl";
  for (int i = 0; i < samples; ++i) {
    const std::string name = prefix + std::to_string(i) + ".prn";
    const auto before = fs::file_size(history);
    const auto arrived = bench::Clock::now();
    arrive(name);
    while (!SendingTold(history, before, name)) std::this_thread::sleep_for(200us);
    latencies.push_back(bench::Seconds(bench::Clock::now() - arrived) * 1000);
    while (!fs::exists(watched / "printed" / name)) std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(std::chrono::milliseconds(50 + random() % 500));
  }
  return {bench::Median(latencies), *std::max_element(latencies.begin(), latencies.end())};
}

}  // namespace

int main(int argc, char** argv) {
  int files = 10000, rounds = 1, samples = 20, settle_samples = 5;
  bool check = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--files" && i + 1 < argc) files = std::stoi(argv[++i]);
    else if (arg == "--rounds" && i + 1 < argc) rounds = std::max(1, std::stoi(argv[++i]));
    else if (arg == "--latency-samples" && i + 1 < argc) samples = std::max(1, std::stoi(argv[++i]));
    else if (arg == "--settle-samples" && i + 1 < argc) settle_samples = std::max(1, std::stoi(argv[++i]));
    else if (arg == "--check") check = true;
    else {
      return std::fprintf(stderr, "usage: bench_watch [--files N] [--rounds R] [--latency-samples N] "
                                  "[--settle-samples N] [--check]\n"), 2;
    }
  }
  testsupport::PrivateCups cups;
  const testsupport::TempFolder work;
  const auto plain = work.Path() / "plain", drop = work.Path() / "drop", stage = work.Path() / "stage",
             logs = work.Path() / "logs";
  for (const auto& folder : {plain, drop, stage, logs}) fs::create_directory(folder);
  cups.AddQueue("Plain", "");
  const auto names = MakeFiles(plain, files);

  double plain_seconds = 0, watch_seconds = 0;
  long peak_kib = 0;
  bool once_each = true, in_order = true;
  std::optional<testsupport::ChildProcess> watcher;
  fs::path watched;
  for (int round = 0; round < rounds; ++round) {
    PurgeJobs(logs);
    std::vector<std::string> command = {TORVANE_SEND_PROGRAM, "-q", "--wait", "-d", "Plain"};
    for (const auto& name : names) command.push_back((plain / name).string());
    auto started = bench::Clock::now();
    fs::create_directories(logs / "plain");
    const auto sent = testsupport::ChildProcess(command, logs / "plain").Wait(3600s);
    const double plain_round = bench::Seconds(bench::Clock::now() - started);
    plain_seconds += plain_round;
    if (sent.status != 0) return std::fprintf(stderr, "the plain send failed: %s\n", sent.err.c_str()), 1;

    PurgeJobs(logs);
    const std::string queue = "Watched" + std::to_string(round);
    cups.AddQueue(queue, "");
    for (const auto& name : names) fs::copy_file(plain / name, drop / name);
    watched = work.Path() / ("watched" + std::to_string(round));
    fs::create_directory(watched);
    fs::create_directories(logs / watched.filename());
    watcher.emplace(std::vector<std::string>{TORVANE_SEND_PROGRAM, "-q", "-d", queue, "--watch", watched.string(),
                                             "--settle", std::to_string(kSettleSeconds)},
                    logs / watched.filename());
    std::this_thread::sleep_for(500ms);
    started = bench::Clock::now();
    for (const auto& name : names) fs::rename(drop / name, watched / name);
    // Verdicts come about in arrival order: each look goes on from the last
    // file found ended, rather than listing a folder of thousands.
    std::size_t ended = 0, failed = 0;
    const auto ended_as = [&](const char* part) { return fs::exists(watched / part / names[ended]); };
    for (;;) {
      while (ended < names.size() && (ended_as("printed") || (ended_as("failed") && ++failed))) ++ended;
      if (ended == names.size()) break;
      peak_kib = std::max(peak_kib, bench::StatusKib("VmRSS", watcher->Pid()));
      std::this_thread::sleep_for(20ms);
      if (bench::Seconds(bench::Clock::now() - started) > 3600) return std::fprintf(stderr, "the watcher hangs\n"), 1;
    }
    const double watch_round = bench::Seconds(bench::Clock::now() - started);
    if (failed > 0) std::fprintf(stderr, "%zu files failed\n", failed);
    watch_seconds += watch_round;
    std::printf("round %d: plain %.2f s, watched %.2f s; load %s", round + 1, plain_round, watch_round,
                bench::LoadAverage().c_str());
    peak_kib = std::max(peak_kib, bench::StatusKib("VmHWM", watcher->Pid()));

    // Exactly once each, in the order they arrived.
    auto captured = cups.Captured(queue);
    std::sort(captured.begin(), captured.end(), [](const auto& a, const auto& b) { return a.job_id < b.job_id; });
    std::set<std::string> titles;
    in_order = in_order && captured.size() == names.size();
    for (std::size_t i = 0; i < captured.size(); ++i) {
      const auto title = captured[i].file_name.substr(captured[i].file_name.find('-') + 1);
      titles.insert(title);
      in_order = in_order && title == names[i];
    }
    once_each = once_each && failed == 0 && titles.size() == names.size() && captured.size() == names.size();
    if (round + 1 < rounds) StopWatcher(*watcher);
  }

  const auto closed = MeasureLatency(watched, "closed", samples, [&watched](const std::string& name) {
    std::ofstream(watched / name) << "closed";
  });
  const auto linked = MeasureLatency(watched, "linked", settle_samples, [&](const std::string& name) {
    std::ofstream(stage / name) << "linked";
    fs::create_hard_link(stage / name, watched / name);  // no close, no rename: only a rescan finds it
  });
  StopWatcher(*watcher);

  std::string load = bench::LoadAverage();
  for (int spaces = 0, i = 0; i < static_cast<int>(load.size()); ++i) {
    if (load[i] == ' ' && ++spaces == 3) load.resize(i);
  }
  const double ratio = watch_seconds / plain_seconds, per_file = 1000.0 / files / rounds;
  const double settle_aim = (kSettleSeconds + kRescanSeconds) * 1000 + kSendAimMs;
  std::printf("files: %d of 1-10 kB, %d round(s); load at the end: %s\n", files, rounds, load.c_str());
  std::printf("plain torvane-send --wait: %8.2f s  %6.2f ms a file\n", plain_seconds, plain_seconds * per_file);
  std::printf("watched folder:            %8.2f s  %6.2f ms a file  (%.2f x)\n", watch_seconds,
              watch_seconds * per_file, ratio);
  std::printf("printed once each: %s; in arrival order: %s\n", once_each ? "yes" : "NO", in_order ? "yes" : "NO");
  std::printf("watcher peak memory: %.1f MB\n", peak_kib / 1024.0);
  std::printf("close to send: median %.1f ms, worst %.1f ms (%d files)\n", closed.median, closed.worst, samples);
  std::printf("no event, to send: median %.0f ms, worst %.0f ms (%d files; aim: settle %d s + one rescan + 100 ms)\n",
              linked.median, linked.worst, settle_samples, kSettleSeconds);
  const bool met = ratio <= 1.2 && peak_kib < 20 * 1024 && closed.worst <= kSendAimMs && linked.worst <= settle_aim &&
                   in_order && once_each;
  return check && !met ? 1 : 0;
}

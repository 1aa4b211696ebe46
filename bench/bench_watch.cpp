// SPDX-License-Identifier: Apache-2.0
// The watched folder against a plain torvane-send of the same files, in one
// run into one private scheduler: N files of 1-10 kB (10000 by default)
// sent and printed by `torvane-send --wait FILE...`, then dropped at once
// into a folder that `torvane-send --watch` watches, timed until the last
// is in printed/; the watcher's peak memory meanwhile; then how soon a
// file closed in the idle folder is being sent.
//
//   bench_watch [--files N] [--latency-samples N] [--check]
//
// With --check the exit status is 1 when an aim is missed: at most 1.2
// times the plain sender's time, under 20 MB, a file sent within 100 ms.
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
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

std::size_t Count(const fs::path& folder) {
  std::error_code error;
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder, error), fs::directory_iterator()));
}

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

}  // namespace

int main(int argc, char** argv) {
  int files = 10000, samples = 20;
  bool check = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--files" && i + 1 < argc) files = std::stoi(argv[++i]);
    else if (arg == "--latency-samples" && i + 1 < argc) samples = std::stoi(argv[++i]);
    else if (arg == "--check") check = true;
    else return std::fprintf(stderr, "usage: bench_watch [--files N] [--latency-samples N] [--check]\n"), 2;
  }
  testsupport::PrivateCups cups;
  const testsupport::TempFolder work;
  const auto plain = work.Path() / "plain", drop = work.Path() / "drop", watched = work.Path() / "watched";
  for (const auto& folder : {plain, drop, watched}) fs::create_directory(folder);
  cups.AddQueue("Plain", "");
  cups.AddQueue("Watched", "");
  const auto names = MakeFiles(plain, files);
  for (const auto& name : names) fs::copy_file(plain / name, drop / name);

  std::vector<std::string> command = {TORVANE_SEND_PROGRAM, "-q", "--wait", "-d", "Plain"};
  for (const auto& name : names) command.push_back((plain / name).string());
  auto started = bench::Clock::now();
  const auto sent = testsupport::ChildProcess(command, work.Path()).Wait(3600s);
  const double plain_seconds = bench::Seconds(bench::Clock::now() - started);
  if (sent.status != 0) return std::fprintf(stderr, "the plain send failed: %s\n", sent.err.c_str()), 1;

  const auto logs = work.Path() / "logs";
  fs::create_directory(logs);
  testsupport::ChildProcess watcher({TORVANE_SEND_PROGRAM, "-q", "-d", "Watched", "--watch", watched.string(), "--settle", "0"},
                                    logs);
  std::this_thread::sleep_for(500ms);
  started = bench::Clock::now();
  for (const auto& name : names) fs::rename(drop / name, watched / name);
  long peak_kib = 0;
  while (Count(watched / "printed") < names.size()) {
    peak_kib = std::max(peak_kib, bench::StatusKib("VmRSS", watcher.Pid()));
    std::this_thread::sleep_for(20ms);
    if (bench::Seconds(bench::Clock::now() - started) > 3600) return std::fprintf(stderr, "the watcher hangs\n"), 1;
  }
  const double watch_seconds = bench::Seconds(bench::Clock::now() - started);
  peak_kib = std::max(peak_kib, bench::StatusKib("VmHWM", watcher.Pid()));

  // Exactly once each, in the order they arrived.
  auto captured = cups.Captured("Watched");
  std::sort(captured.begin(), captured.end(), [](const auto& a, const auto& b) { return a.job_id < b.job_id; });
  std::set<std::string> titles;
  bool in_order = captured.size() == names.size();
  for (std::size_t i = 0; i < captured.size(); ++i) {
    const auto title = captured[i].file_name.substr(captured[i].file_name.find('-') + 1);
    titles.insert(title);
    in_order = in_order && title == names[i];
  }

  // From a writer's close to the document's "sending" line in the history.
  std::vector<double> latencies;
  const auto history = watched / ".torvane" / "history.jsonl";
  for (int i = 0; i < samples; ++i) {
    const auto before = fs::file_size(history);
    const auto closed = bench::Clock::now();
    std::ofstream(watched / ("late" + std::to_string(i) + ".prn")) << "late";
    while (fs::file_size(history) == before) std::this_thread::sleep_for(200us);
    latencies.push_back(bench::Seconds(bench::Clock::now() - closed) * 1000);
    std::this_thread::sleep_for(100ms);
  }
  kill(watcher.Pid(), SIGTERM);
  watcher.Wait();

  const double ratio = watch_seconds / plain_seconds, latency = bench::Median(latencies);
  std::printf("files: %d of 1-10 kB; load: %s\n", files, bench::LoadAverage().c_str());
  std::printf("plain torvane-send --wait: %8.2f s  %6.2f ms a file\n", plain_seconds, plain_seconds * 1000 / files);
  std::printf("watched folder:            %8.2f s  %6.2f ms a file  (%.2f x)\n", watch_seconds,
              watch_seconds * 1000 / files, ratio);
  std::printf("printed once each: %s; in arrival order: %s\n", titles.size() == names.size() ? "yes" : "NO",
              in_order ? "yes" : "NO");
  std::printf("watcher peak memory: %.1f MB\n", peak_kib / 1024.0);
  std::printf("close to send: median %.1f ms, worst %.1f ms (%d files)\n", latency,
              *std::max_element(latencies.begin(), latencies.end()), samples);
  const bool met = ratio <= 1.2 && peak_kib < 20 * 1024 && latency <= 100 && in_order && titles.size() == names.size();
  return check && !met ? 1 : 0;
}

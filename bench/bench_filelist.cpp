// SPDX-License-Identifier: Apache-2.0
// How the file list copes at its largest, 32,767 files:
// - a drop, in both modes, and switching Full Path off and on, on real
//   widgets, each timed until the event loop has nothing left to do (layout
//   and repaint included), best of 5 runs;
// - with --window PROGRAM (the torvane binary; needs an X display in
//   DISPLAY): the window started with 32,767 files named on its command
//   line (/tmp/many/1.prn to /tmp/many/32767.prn, which need not exist)
//   against none, best of 5 launches each, interleaved: how much later it is
//   mapped and answers (painted and live), and how much more resident memory
//   it holds once shown.
//   bench_filelist [--window PROGRAM] [--check]
// With --check the exit status is 1 unless each drop and toggle takes under
// 30 ms, the start-up is at most 100 ms later and the memory grows by under
// 6 MB (10^6 bytes). QT_QPA_PLATFORM=offscreen runs the first part without
// a display.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "bench/file_list_drops.h"
#include "bench/measure.h"
#include "bench/window_start.h"

namespace {

constexpr double kStartAimMs = 100;
constexpr double kMemoryAimMb = 6;

struct Options {
  std::string window;
  bool check = false;
};

Options ParseOptions(int argc, char** argv) {
  Options options;
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (auto arg = args.begin(); arg != args.end(); ++arg) {
    if (*arg == "--check") {
      options.check = true;
    } else if (*arg == "--window" && arg + 1 != args.end()) {
      options.window = *++arg;
    } else {
      bench::Fail("usage: bench_filelist [--window PROGRAM] [--check]");
    }
  }
  return options;
}

// Runs the event loop until it finds nothing more to do: posted events,
// the views' delayed layout and the repaint.
void Settle() {
  for (int turn = 0; turn < 100 && QCoreApplication::eventDispatcher()->processEvents(QEventLoop::AllEvents); ++turn) {
  }
}

bool TimeWindowStart(const std::string& program, const std::vector<std::string>& paths) {
  std::vector<bench::WindowStart> none, full;
  for (int i = 0; i < bench::kRounds; ++i) {
    none.push_back(bench::TimeWindowStart(program, {}));
    full.push_back(bench::TimeWindowStart(program, paths));
  }
  const auto best = [](const std::vector<bench::WindowStart>& starts, double bench::WindowStart::*field) {
    double value = 1e300;
    for (const auto& start : starts) value = std::min(value, start.*field);
    return value;
  };
  const auto rss_mb = [](const std::vector<bench::WindowStart>& starts) {
    std::vector<double> values;
    for (const auto& start : starts) values.push_back(static_cast<double>(start.rss_kib) * 1024 / 1e6);
    return bench::Median(values);
  };
  const double mapped_ms = 1000 * (best(full, &bench::WindowStart::mapped_s) - best(none, &bench::WindowStart::mapped_s));
  const double answering_ms =
      1000 * (best(full, &bench::WindowStart::answering_s) - best(none, &bench::WindowStart::answering_s));
  const double memory_mb = rss_mb(full) - rss_mb(none);
  std::printf("window start-up, %d launches each (best; memory: median)\n", bench::kRounds);
  for (const auto* starts : {&none, &full}) {
    std::printf("  %-12s mapped %.3f s, answering %.3f s, RSS %.1f MB\n",
                starts == &none ? "no files" : "32767 files", best(*starts, &bench::WindowStart::mapped_s),
                best(*starts, &bench::WindowStart::answering_s), rss_mb(*starts));
  }
  std::printf("  later by %.0f ms mapped, %.0f ms answering (aim: at most %.0f ms); memory +%.1f MB (aim: under %.0f MB)\n",
              mapped_ms, answering_ms, kStartAimMs, memory_mb, kMemoryAimMb);
  return mapped_ms <= kStartAimMs && answering_ms <= kStartAimMs && memory_mb < kMemoryAimMb;
}

int Bench(const Options& options) {
  std::printf("load average %s", bench::LoadAverage().c_str());
  bool met = bench::TimeDrops(Settle, bench::Paths([](int i) {
    return "/home/user/print jobs/2024/batch " + std::to_string(i / 100) + "/job" + std::to_string(i) + ".prn";
  }));
  if (!options.window.empty()) {
    const auto arguments = bench::Paths([](int i) { return "/tmp/many/" + std::to_string(i + 1) + ".prn"; });
    met = TimeWindowStart(options.window, arguments) && met;
  } else if (options.check) {
    std::printf("window start-up not measured: give --window PROGRAM\n");
    met = false;
  }
  if (options.check && !met) {
    std::printf("an aim was missed\n");
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  try {
    return Bench(ParseOptions(argc, argv));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "bench_filelist: %s\n", error.what());
    return 2;
  }
}

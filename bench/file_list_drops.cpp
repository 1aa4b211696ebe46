// SPDX-License-Identifier: Apache-2.0
#include "bench/file_list_drops.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "filelist/display_form.h"
#include "filelist/file_list.h"
#include "support/file_list_form.h"

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

// Best of kRounds runs of `step`, each after `prepare`, in milliseconds.
double BestMs(const std::function<void()>& settle, const std::function<void()>& prepare,
              const std::function<void()>& step) {
  double best = 1e300;
  for (int i = 0; i < kRounds; ++i) {
    prepare();
    settle();
    const auto start = Clock::now();
    step();
    settle();
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return best;
}

}  // namespace

// 32,767 paths, made by `path` from 0 to 32,766.
std::vector<std::string> Paths(const std::function<std::string(int)>& path) {
  std::vector<std::string> paths;
  for (int i = 0; i < filelist::kMaxListLines; ++i) paths.push_back(path(i));
  return paths;
}

bool TimeDrops(const std::function<void()>& settle, const std::vector<std::string>& paths) {
  testsupport::FileListForm controls;
  auto& chk_full_path = controls.chk_full_path;
  auto& chk_add = controls.chk_add;
  controls.form.Show();
  filelist::FileList files(controls.Controls(), [] {});
  chk_full_path.OnClick([&] { files.Chk_FullPath_Click(); });

  const auto empty_list = [&](int add) {
    return [&, add] {
      files.But_Clear_Click();
      chk_add.SetValue(add);
    };
  };
  const auto full_list = [&](int full_path) {
    return [&, full_path] {
      chk_add.SetValue(0);
      chk_full_path.SetValue(1);
      files.TakeDroppedFiles(paths);
      chk_full_path.SetValue(full_path);
    };
  };
  const auto drop = [&] { files.TakeDroppedFiles(paths); };
  const struct {
    const char* what;
    std::function<void()> prepare, step;
  } runs[] = {
      {"drop, replace mode, onto an empty list", empty_list(0), drop},
      {"drop, replace mode, onto a full list", full_list(1), drop},
      {"drop, add mode, onto an empty list", empty_list(1), drop},
      {"Full Path off (file names)", full_list(1), [&] { chk_full_path.SetValue(0); }},
      {"Full Path on (full paths)", full_list(0), [&] { chk_full_path.SetValue(1); }},
  };

  std::printf("file list, %d files, best of %d runs (aim: each under %.0f ms)\n", filelist::kMaxListLines, kRounds,
              kDropAimMs);
  bool met = true;
  for (const auto& run : runs) {
    const double ms = BestMs(settle, run.prepare, run.step);
    std::printf("  %-40s %8.1f ms\n", run.what, ms);
    met = met && ms < kDropAimMs;
  }
  return met;
}

}  // namespace bench

// SPDX-License-Identifier: Apache-2.0
// How long the file list takes at its largest: a drop of 32,767 files, in
// both modes, and switching Full Path off and on with 32,767 lines listed.
// Runs on real widgets; set QT_QPA_PLATFORM=offscreen to run without a
// display.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "filelist/display_form.h"
#include "filelist/file_list.h"
#include "support/file_list_form.h"

namespace {

using Clock = std::chrono::steady_clock;

// Best of `rounds` runs of `step`, each after `prepare`, in milliseconds.
double BestMs(int rounds, const std::function<void()>& prepare, const std::function<void()>& step) {
  double best = 1e300;
  for (int i = 0; i < rounds; ++i) {
    prepare();
    const auto start = Clock::now();
    step();
    QApplication::processEvents();  // include the repaint the change causes
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  testsupport::FileListForm controls;
  auto& chk_full_path = controls.chk_full_path;
  auto& chk_add = controls.chk_add;
  controls.form.Show();
  filelist::FileList files(controls.Controls(), [] {});
  chk_full_path.OnClick([&] { files.Chk_FullPath_Click(); });

  std::vector<std::string> paths;
  for (int i = 0; i < filelist::kMaxListLines; ++i) {
    paths.push_back("/home/user/print jobs/2024/batch " + std::to_string(i / 100) + "/job" +
                    std::to_string(i) + ".prn");
  }
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

  const int rounds = 5;
  std::printf("file list, %d files, best of %d runs\n", filelist::kMaxListLines, rounds);
  for (const auto& run : runs) {
    std::printf("  %-40s %8.1f ms\n", run.what, BestMs(rounds, run.prepare, run.step));
  }
  return 0;
}

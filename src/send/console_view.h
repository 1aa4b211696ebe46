#pragma once
// The print job's view on a console: the file being sent and its
// percentage, on one line rewritten in place on a terminal, or as plain
// lines (one per new percentage) when the output goes to a file or a pipe;
// messages go to the error stream. There is no window, so there is nothing
// to highlight, enable or yield to.
#include <atomic>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "printing/print_job.h"

namespace sender {

// The whole percentage of a file sent so far: 0 when nothing has gone
// (done = 0 comes first, so an empty file reads 0), 100 once done reaches
// total, otherwise the exact percentage rounded down, so 100 shows only
// when the last byte has gone.
int ProgressPercent(std::int64_t done, std::int64_t total);

// The percentage right-aligned in three places, a percent sign and the
// file: " 40% /jobs/q.prn".
std::string ProgressLine(int percent, const std::string& file);

class ConsoleJobView : public printing::PrintJobView {
 public:
  // `files` are the paths as given, shown line by line; `stop` is raised
  // (for example by an interrupt) to end the job after the chunk in hand.
  ConsoleJobView(std::vector<std::string> files, std::ostream& progress, std::ostream& messages, bool terminal,
                 const std::atomic<bool>& stop);

  std::size_t LineCount() const override { return files_.size(); }
  void SelectLine(std::size_t index) override;
  void DeselectLine(std::size_t index) override;
  void SetProgress(std::int64_t done, std::int64_t total) override;
  void DoEvents() override {}
  void ShowMessage(const std::string& text) override;
  void SetPrintEnabled(bool) override {}
  bool StopRequested() const override { return stop_.load(); }

 private:
  // Ends the terminal's progress line, so that what follows starts afresh.
  void EndLine();

  std::vector<std::string> files_;
  std::ostream& progress_;
  std::ostream& messages_;
  bool terminal_;
  const std::atomic<bool>& stop_;
  std::size_t current_ = 0;
  int shown_percent_ = -1;  // of the current file; -1 before its first update
  bool line_open_ = false;
};

}  // namespace sender

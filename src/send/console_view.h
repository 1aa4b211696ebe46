// SPDX-License-Identifier: Apache-2.0
#pragma once
// The print job's view on a console. Standard output keeps what scripts
// read: each document's request id, as lp prints it. The rest goes to the
// error stream: the file being sent and its percentage on one line
// rewritten in place (only on a terminal, where someone watches), and the
// messages. There is no window, so there is nothing to highlight or
// enable.
#include <atomic>
#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <string_view>
#include <vector>

#include "printing/print_job.h"

namespace sender {

// The progress of a file on one console line: its percentage as the
// window's progress display shows it, right-aligned in three places with
// a percent sign, then the file: " 40% /jobs/q.prn".
std::string ProgressLine(std::int64_t done, std::int64_t total, const std::string& file);

// The line lp prints for a document it queued, with the file as shown:
// "request id is Office-17 (a.prn)"; "(standard input)" keeps its own
// parentheses.
std::string RequestIdLine(const std::string& printer_name, int job_id, const std::string& file);

// `text` as a terminal may be given it: control characters (C0, DEL, C1)
// and bytes that are not UTF-8 shown as \xHH, so that a file name cannot
// move the cursor, recolour or retitle the terminal.
std::string TerminalText(std::string_view text);

class ConsoleJobView : public printing::PrintJobView {
 public:
  // `files` are the files as the user knows them, shown in progress and
  // messages in place of `paths`, the ones sent (the same but for standard
  // input, sent from a temporary file) to `printer_name`. Progress is shown
  // only when `progress` is set, request ids only when `request_ids` is;
  // `stop` is raised (for example by an interrupt) to end the job after the
  // chunk in hand.
  ConsoleJobView(std::vector<std::string> files, std::vector<std::string> paths, std::string printer_name,
                 std::ostream& out, std::ostream& err, bool progress, bool request_ids,
                 const std::atomic<bool>& stop);
  // Names where the printer's name came from ("$LPDEST") when it is unusable.
  void SetPrinterOrigin(std::string origin) { printer_origin_ = std::move(origin); }

  void SelectLine(std::size_t index, const std::string& path) override;
  void DeselectLine(std::size_t index, const std::string& path) override;
  void SetProgress(std::int64_t done, std::int64_t total) override;
  void ShowMessage(const std::string& text) override;
  // "torvane-send: printer "NAME": REASON"
  void ShowPrinterUnusable(const std::string& printer_name, const std::string& reason) override;
  // One error line a file, "torvane-send: FILE: REASON", then one for a
  // printer that did not close.
  void ReportNotSent(const std::vector<printing::NotSent>& not_sent, const platform::Status& closed) override;
  // One error line a file: "torvane-send: FILE: REASON".
  void ReportFiles(const std::vector<printing::NotSent>& files);
  void SetPrintEnabled(bool) override {}
  // Its request id on standard output, once a file however many copies
  // are sent.
  void DocumentSent(std::size_t index, const std::string& path, int job_id) override;
  // "torvane-send: FILE: NOTE" on the error stream.
  void DocumentNote(std::size_t index, const std::string& path, const std::string& note) override;
  bool StopRequested() const override { return stop_.load(); }

 private:
  // The file sent from `path` as the user knows it.
  const std::string& Shown(const std::string& path);
  // Ends the terminal's progress line, so that what follows starts afresh.
  void EndLine();

  std::vector<std::string> files_;
  std::vector<std::string> paths_;
  std::string printer_name_;
  std::string printer_origin_;
  std::ostream& out_;
  std::ostream& err_;
  bool progress_;
  bool request_ids_;
  const std::atomic<bool>& stop_;
  std::size_t current_ = 0;
  std::string shown_;  // the current file's last progress line
  bool line_open_ = false;
  std::size_t shown_from_ = 0;  // where Shown looks first
  std::size_t told_ = 0;  // 1 + the line whose request id was told last; 0 before any
};

}  // namespace sender

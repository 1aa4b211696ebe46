// SPDX-License-Identifier: Apache-2.0
#pragma once
// Runs the print job on a worker thread of its own, so that a slow or
// stalled spooler never holds up the window. The job's calls on its view
// land in a mailbox that the window thread empties once per display frame:
// line marks and Print's state in order, the progress as its latest value
// only, so the job never waits on painting. The job's message is shown on
// the window thread once the job has ended, after the documents it sent
// have been handed on to be followed.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/spooler/spooler.h"
#include "platform/window/ticker.h"
#include "printing/print_job.h"

namespace app {

// What the job changes on the window; called on the window thread.
struct JobWindow {
  std::function<void(std::size_t index, const std::string& path, bool selected)> mark_line;
  std::function<void(std::int64_t done, std::int64_t total)> show_progress;
  std::function<void(bool enabled)> set_print_enabled;
  std::function<void(const std::string& text)> show_message;
  // The job has ended with nothing to report.
  std::function<void()> all_sent;
  // The documents the spooler took whole, once the job has ended.
  std::function<void(std::vector<printing::SentDocument> sent)> follow;
};

class JobRunner final : private printing::PrintJobView {
 public:
  // `stop` asks a running job to end; the job ends within a second of it.
  JobRunner(JobWindow window, const std::atomic<bool>& stop);
  // Waits for a running job to end: raise `stop` first.
  ~JobRunner();
  JobRunner(const JobRunner&) = delete;
  JobRunner& operator=(const JobRunner&) = delete;

  // Starts the job for `request` on the worker thread.
  void Start(platform::Spooler& spooler, printing::PrintRequest request);
  // From Start until the job's end has reached the window.
  bool Running() const { return running_; }

 private:
  // The job's view, called on the worker thread.
  void SelectLine(std::size_t index, const std::string& path) override;
  void DeselectLine(std::size_t index, const std::string& path) override;
  void SetProgress(std::int64_t done, std::int64_t total) override;
  void ShowMessage(const std::string& text) override;
  void SetPrintEnabled(bool enabled) override;
  bool StopRequested() const override { return stop_.load(); }

  void Post(std::function<void()> update);
  // On the window thread: applies what the job has posted since last time.
  void Deliver();

  JobWindow window_;
  const std::atomic<bool>& stop_;
  bool running_ = false;
  platform::Ticker ticker_;

  std::mutex mutex_;  // guards the mailbox below
  std::vector<std::function<void()>> updates_;
  std::optional<std::pair<std::int64_t, std::int64_t>> progress_;
  std::string message_;
  std::vector<printing::SentDocument> sent_;
  bool ended_ = false;

  std::thread worker_;
};

}  // namespace app

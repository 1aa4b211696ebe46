// SPDX-License-Identifier: Apache-2.0
#pragma once
// Follows the documents of past print jobs, while the window is open, until
// the spooler has a verdict on each, and tells the user of those that did
// not print and of those waiting on a stopped printer. A question to
// the spooler may wait up to its stall limit, so the questions go on a
// thread of their own, which ends when nothing is left to follow; the
// window thread only collects the verdicts, on a timer.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/spooler/spooler.h"
#include "platform/window/ticker.h"
#include "printing/document_follow.h"
#include "printing/print_job.h"

namespace app {

class DocumentFollower {
 public:
  // `stop` ends the following for good: raised when the window closes.
  // `show_message` shows a modal message on the window thread.
  DocumentFollower(platform::Spooler& spooler, const std::atomic<bool>& stop,
                   std::function<void(const std::string& text)> show_message);
  // Waits for the follower thread, within about a second of `stop`: raise
  // it first.
  ~DocumentFollower();
  DocumentFollower(const DocumentFollower&) = delete;
  DocumentFollower& operator=(const DocumentFollower&) = delete;

  // On the window thread: `documents` join those still followed.
  void Follow(std::vector<printing::SentDocument> documents);

 private:
  using Clock = std::chrono::steady_clock;

  // The follower thread: a round of questions every poll period while
  // anything is followed.
  void Run();
  // On the window thread: takes the news in, and tells it once it has
  // settled and no other box is open.
  void Collect();

  platform::Spooler& spooler_;
  const std::atomic<bool>& stop_;
  std::function<void(const std::string&)> show_message_;
  platform::Ticker ticker_;

  std::mutex mutex_;  // guards the four below
  std::condition_variable wake_;  // documents joined
  std::vector<printing::FollowedDocument> followed_;
  printing::FollowNews news_;  // not yet collected
  bool joined_ = false;   // documents joined since the last round
  bool running_ = false;  // the follower thread goes on

  // Window thread only.
  printing::FollowNews untold_;
  Clock::time_point last_news_;
  std::thread thread_;
};

}  // namespace app

// SPDX-License-Identifier: Apache-2.0
#pragma once
// How long the other end of a wait (a print server, a printer, a name
// server) may stay silent before it counts as gone, and the one watch that
// decides it for every back end. Silence starts with the first wait slice
// that brings nothing and ends with anything the other end does: an
// answer, a byte taken, a byte acknowledged. A slow printer is never
// stalled; only one that takes nothing is.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "platform/status.h"

namespace platform {

// How long the other end may stay silent, in seconds:
// TORVANE_STALL_SECONDS when it holds a positive number, else 60.
double StallLimitSeconds();

// Asked now and then while a call waits on the spooler, from the thread
// that made the call; once it returns true the wait ends and the call fails.
using StopCheck = std::function<bool()>;

// How long each wait lasts at most before the watch is asked again.
inline constexpr double kWaitSliceSeconds = 0.1;

class StallWatch {
 public:
  // `who` names the other end in messages: "the print server HOST:PORT",
  // a printer's address.
  StallWatch(std::string who, StopCheck stop);

  // The other end answered or took something: its silence is over.
  void Progress() { silent_since_.reset(); }
  // `outstanding` bytes are still on their way to the other end; any change
  // in that count is progress. Negative: not known, which tells nothing.
  void Outstanding(std::int64_t outstanding);
  // After a wait slice: whether to wait on. Not once a stop is asked, nor
  // once the silence has lasted the stall limit.
  bool KeepWaiting();
  // As KeepWaiting, with why not: the stop's failure, or Stall().
  Status Check();

  bool Silent() const { return silent_since_.has_value(); }
  bool Stalled() const { return stalled_; }
  bool StopRequested() const { return stop_ && stop_(); }
  const StopCheck& Stop() const { return stop_; }
  // The failure of a wait that lasted the stall limit: "WHO stopped
  // answering (nothing for N s)", unanswered.
  Status Stall() const;

 private:
  using Clock = std::chrono::steady_clock;

  std::string who_;
  StopCheck stop_;
  double limit_;
  std::optional<Clock::time_point> silent_since_;
  std::int64_t outstanding_ = -1;
  bool stalled_ = false;
};

// The end of work on another thread, which its waiter notices at once
// rather than at the end of a slice.
class Completion {
 public:
  void Set();
  // Waits at most `timeout`; true once set.
  bool WaitFor(std::chrono::duration<double> timeout);

 private:
  std::mutex mutex_;
  std::condition_variable set_;
  bool done_ = false;
};

// Runs `work` on a thread of its own (for calls that cannot be cut short
// otherwise, such as name look-ups) and waits for it under `watch`, slice by
// slice: Ok once it has ended. A stop or a stall ends the wait first, with
// watch.Check()'s failure, and leaves the thread to end on its own, so
// `work` must own (or share) everything it touches.
Status AwaitOnThread(StallWatch& watch, std::function<void()> work);

}  // namespace platform

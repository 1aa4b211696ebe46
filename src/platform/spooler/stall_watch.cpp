// SPDX-License-Identifier: Apache-2.0
#include "platform/spooler/stall_watch.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>
#include <utility>

namespace platform {
namespace {

constexpr double kDefaultStallSeconds = 60.0;

}  // namespace

double StallLimitSeconds() {
  const char* text = std::getenv("TORVANE_STALL_SECONDS");
  if (text == nullptr) return kDefaultStallSeconds;
  char* end = nullptr;
  const double seconds = std::strtod(text, &end);
  return end != text && *end == '\0' && seconds > 0 ? seconds : kDefaultStallSeconds;
}

StallWatch::StallWatch(std::string who, StopCheck stop)
    : who_(std::move(who)), stop_(std::move(stop)), limit_(StallLimitSeconds()) {}

void StallWatch::Outstanding(std::int64_t outstanding) {
  if (outstanding < 0) return;
  if (outstanding != outstanding_) Progress();
  outstanding_ = outstanding;
}

bool StallWatch::KeepWaiting() {
  const auto now = Clock::now();
  // Asked after a slice that brought nothing: the silence began with it.
  if (!silent_since_) {
    silent_since_ = now - std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kWaitSliceSeconds));
  }
  if (StopRequested()) return false;
  stalled_ = now - *silent_since_ >= std::chrono::duration<double>(limit_);
  return !stalled_;
}

Status StallWatch::Check() {
  if (KeepWaiting()) return Status::Ok();
  return stalled_ ? Stall() : Status::Fail("stopped while waiting for " + who_);
}

Status StallWatch::Stall() const {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%g", limit_);
  return Status::TimedOut(who_ + " stopped answering (nothing for " + seconds + " s)");
}

Status AwaitOnThread(StallWatch& watch, std::function<void()> work) {
  const auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread([done, work = std::move(work)] {
    work();
    done->store(true);
  }).detach();
  // A quick call is noticed within a tenth of a slice; the watch is asked
  // once a slice.
  for (int tenth = 1;; ++tenth) {
    std::this_thread::sleep_for(std::chrono::duration<double>(kWaitSliceSeconds / 10));
    if (done->load()) return Status::Ok();
    if (tenth % 10 != 0) continue;
    if (auto waited = watch.Check(); !waited.IsOk()) return waited;
  }
}

}  // namespace platform

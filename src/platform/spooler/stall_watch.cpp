// SPDX-License-Identifier: Apache-2.0
#include "platform/spooler/stall_watch.h"

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

void Completion::Set() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
  }
  set_.notify_all();
}

bool Completion::WaitFor(std::chrono::duration<double> timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return set_.wait_for(lock, timeout, [this] { return done_; });
}

Status AwaitOnThread(StallWatch& watch, std::function<void()> work) {
  const auto done = std::make_shared<Completion>();
  std::thread([done, work = std::move(work)] {
    work();
    done->Set();
  }).detach();
  // The watch is asked once a slice.
  for (;;) {
    if (done->WaitFor(std::chrono::duration<double>(kWaitSliceSeconds))) return Status::Ok();
    if (auto waited = watch.Check(); !waited.IsOk()) return waited;
  }
}

}  // namespace platform

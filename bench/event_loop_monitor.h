// SPDX-License-Identifier: Apache-2.0
#pragma once
// Watches the window's event loop while a job runs: a 1 ms timer fires on
// the first pass of the loop after each millisecond, so the longest time
// between two of its ticks (and from the start to the first, and from the
// last to the end) is the longest time the loop did not run, to within
// 1 ms. A 0 ms timer would fire on every pass and add its own cost to every
// chunk. Each tick also samples the resident size now and then, and answers
// any message box, which would otherwise wait for a click that never comes.
#include <QTimer>
#include <string>
#include <vector>

#include "bench/measure.h"

namespace bench {

class EventLoopMonitor {
 public:
  EventLoopMonitor();

  void Start();
  void Stop();

  double LongestGapMs() const { return std::chrono::duration<double, std::milli>(longest_gap_).count(); }
  // When the longest gap ended, in seconds after Start: near 0 or near the
  // job's end it was the spooler's request and answer, otherwise a write.
  double LongestGapEnd() const { return Seconds(longest_gap_end_ - started_); }
  long PeakSampledRssKib() const { return peak_rss_kib_; }
  const std::vector<std::string>& Messages() const { return messages_; }

 private:
  // Reading /proc/self/status costs a little; the peak itself comes from
  // VmHWM wherever it can be reset.
  static constexpr auto kSampleEvery = std::chrono::milliseconds(100);

  void NoteGap(Clock::time_point now);
  void Tick();

  QTimer timer_;
  Clock::duration longest_gap_{};
  Clock::time_point started_, last_tick_, last_sample_, longest_gap_end_;
  long peak_rss_kib_ = 0;
  std::vector<std::string> messages_;
};

}  // namespace bench

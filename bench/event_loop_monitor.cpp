#include "bench/event_loop_monitor.h"

#include <QApplication>
#include <QMessageBox>
#include <algorithm>

namespace bench {

EventLoopMonitor::EventLoopMonitor() {
  timer_.setInterval(1);
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
}

void EventLoopMonitor::Start() {
  messages_.clear();
  longest_gap_ = {};
  peak_rss_kib_ = 0;
  started_ = last_tick_ = last_sample_ = Clock::now();
  timer_.start();
}

void EventLoopMonitor::Stop() {
  timer_.stop();
  NoteGap(Clock::now());
}

void EventLoopMonitor::NoteGap(Clock::time_point now) {
  if (now - last_tick_ > longest_gap_) {
    longest_gap_ = now - last_tick_;
    longest_gap_end_ = now;
  }
  last_tick_ = now;
}

void EventLoopMonitor::Tick() {
  const auto now = Clock::now();
  NoteGap(now);
  if (now - last_sample_ >= kSampleEvery) {
    peak_rss_kib_ = std::max(peak_rss_kib_, StatusKib("VmRSS"));
    last_sample_ = now;
  }
  if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
    messages_.push_back(box->text().toStdString());
    box->done(QMessageBox::Ok);
  }
}

}  // namespace bench

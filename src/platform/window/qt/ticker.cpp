#include "platform/window/ticker.h"

#include <QTimer>

namespace platform {

struct Ticker::Timer : QTimer {};

Ticker::Ticker(int interval_ms, EventHandler tick) : timer_(std::make_unique<Timer>()) {
  timer_->setInterval(interval_ms);
  QObject::connect(timer_.get(), &QTimer::timeout, [tick = std::move(tick)] { RunHandler(tick); });
}

Ticker::~Ticker() = default;

void Ticker::Start() { timer_->start(); }
void Ticker::Stop() { timer_->stop(); }

}  // namespace platform

// SPDX-License-Identifier: Apache-2.0
#pragma once
// A repeating timer on the window thread, for work that is polled rather
// than driven by the window's own events.
#include <memory>

#include "platform/window/window_services.h"

namespace platform {

class Ticker {
 public:
  // Calls `tick` every `interval_ms` milliseconds while started.
  Ticker(int interval_ms, EventHandler tick);
  ~Ticker();
  Ticker(const Ticker&) = delete;
  Ticker& operator=(const Ticker&) = delete;

  void Start();
  void Stop();

 private:
  struct Timer;  // the back end's timer
  std::unique_ptr<Timer> timer_;
};

}  // namespace platform

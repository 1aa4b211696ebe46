// SPDX-License-Identifier: Apache-2.0
#pragma once
// Waiting for what happens elsewhere: in another thread or process, or at
// the print server.
#include <chrono>
#include <functional>
#include <thread>

namespace testsupport {

// Asks `done` every `interval` until it holds; false once `limit` has
// passed without.
inline bool PollUntil(const std::function<bool()>& done, std::chrono::milliseconds limit,
                      std::chrono::milliseconds interval = std::chrono::milliseconds(1)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(interval);
  }
  return true;
}

}  // namespace testsupport

// SPDX-License-Identifier: Apache-2.0
#pragma once
// Running as a service of the system's service manager where it is one to
// be talked to (Windows' service control manager); elsewhere, and when not
// started by it, simply running.
#include <functional>

namespace watch {

// Runs `run` and returns its exit status. Started by Windows' service
// manager, reports running and stopped to it, and turns its stop and
// shutdown requests into the interrupt that stops the watcher (SIGTERM).
int RunAsService(const std::function<int()>& run);

}  // namespace watch

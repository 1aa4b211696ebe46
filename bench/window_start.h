// SPDX-License-Identifier: Apache-2.0
#pragma once
// The window program started as a user starts it, on the X display that
// DISPLAY names, and timed from the outside: when the X server maps its
// window, and when the mapped window answers a ping (_NET_WM_PING), which
// it does only once it has handled everything queued before, its first
// paint included.
#include <string>
#include <vector>

namespace bench {

struct WindowStart {
  double mapped_s;     // launch to the window's map
  double answering_s;  // launch to the ping's answer
  long rss_kib;        // the program's resident memory, shown and settled
};

// Starts `program` with `arguments` (its settings, and a print server that
// is not there, in a temporary folder of its own), measures, and ends it
// with SIGTERM, its close signal.
WindowStart TimeWindowStart(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace bench

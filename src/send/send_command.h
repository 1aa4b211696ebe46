// SPDX-License-Identifier: Apache-2.0
#pragma once
// torvane-send from its arguments to its exit status, apart from what only
// a process has (its real streams, signals, the system's spooler), so that
// tests can run it whole.
#include <atomic>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/spooler/spooler.h"

namespace sender {

inline constexpr int kExitSent = 0;        // every file was sent (printed, with --wait); also help, version, list
inline constexpr int kExitNotSent = 1;     // some file was not sent (or did not print), or the printer was unusable
inline constexpr int kExitUsage = 2;       // the arguments were wrong, or no printer is named nor the default
inline constexpr int kExitTimedOut = 3;    // --wait ended before every file printed, and none failed
inline constexpr int kExitInterrupted = 130;  // stopped by Ctrl+C, SIGHUP or SIGTERM

struct Console {
  std::ostream& out;
  std::ostream& err;
  bool terminal;  // whether `err` is a terminal, where progress is shown
  const std::atomic<bool>& stop;
  int input = 0;  // the file descriptor of standard input
};

// Does what the arguments ask: help, version, the printer list, or sending
// the files with the print job, to the printer named, else to the one the
// environment or the spooler names by default, then with --wait following
// them until they have printed; returns the exit status.
// --watch and --history go to `watch` (with the printer chosen for
// --watch); without it they are refused.
struct SendOptions;
using WatchAction = std::function<int(const SendOptions&, platform::Spooler&, Console)>;
int RunSend(const std::vector<std::string>& args, platform::Spooler& spooler, Console console,
            const WatchAction& watch = {});

}  // namespace sender

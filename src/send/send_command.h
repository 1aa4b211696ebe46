#pragma once
// torvane-send from its arguments to its exit status, apart from what only
// a process has (its real streams, signals, the system's spooler), so that
// tests can run it whole.
#include <atomic>
#include <ostream>
#include <string>
#include <vector>

#include "platform/spooler.h"

namespace sender {

inline constexpr int kExitSent = 0;        // every file was sent; also help, version and the list
inline constexpr int kExitNotSent = 1;     // some file was not sent, or the printer was unusable
inline constexpr int kExitUsage = 2;       // the arguments were wrong
inline constexpr int kExitInterrupted = 130;  // stopped by Ctrl+C, SIGHUP or SIGTERM

struct Console {
  std::ostream& out;
  std::ostream& err;
  bool terminal;  // whether `out` is a terminal, where progress rewrites one line
  const std::atomic<bool>& stop;
};

// Does what the arguments ask: help, version, the printer list, or sending
// the files with the print job; returns the exit status.
int RunSend(const std::vector<std::string>& args, platform::Spooler& spooler, Console console);

}  // namespace sender

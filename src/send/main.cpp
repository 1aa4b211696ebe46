// SPDX-License-Identifier: Apache-2.0
// torvane-send: sends printer data files unchanged to a printer through the
// system's spooler, from a console or a script.
#include <atomic>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "platform/spooler/address/address_spooler.h"
#include "platform/standard_streams.h"
#include "send/input_spool.h"
#include "send/main.h"
#include "send/send_command.h"
#include "watch/watch_command.h"

namespace {

std::atomic<bool> stop_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

// The first interrupt asks the job to stop after the chunk in hand and to
// take back the document in progress; a second one ends the program at
// once, leaving no copy of standard input behind.
extern "C" void OnInterrupt(int signal_number) {
  if (!stop_requested.exchange(true)) return;
  sender::RemoveKeptInputNow();
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

}  // namespace

int sender::Main(const std::vector<std::string>& args, bool terminal) {
  platform::OpenClosedStandardStreams();
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);
#ifdef SIGHUP
  std::signal(SIGHUP, OnInterrupt);  // the terminal went away: stop as for Ctrl+C
#endif
  const auto spooler = platform::MakeAddressSpooler(platform::MakeSystemSpooler());
  return sender::RunSend(args, *spooler, {std::cout, std::cerr, terminal, stop_requested, 0},
                         watch::RunWatchAction);
}


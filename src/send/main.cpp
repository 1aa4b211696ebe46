// SPDX-License-Identifier: Apache-2.0
// torvane-send: sends printer data files unchanged to a printer through the
// system's spooler, from a console or a script.
#include <atomic>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "platform/spooler/address/address_spooler.h"
#include "platform/standard_streams.h"
#ifdef _WIN32
#include "platform/wide_text_win.h"
#endif
#include "send/input_spool.h"
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

// `terminal`: whether standard error is a terminal, where progress shows.
int Run(const std::vector<std::string>& args, bool terminal) {
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

}  // namespace

#ifdef _WIN32
// The wide entry point: file and printer names outside the ANSI code page
// arrive intact and go on as UTF-8, as the print job expects.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(platform::Utf16ToUtf8(argv[i]));
  // Names are written as UTF-8; a console shows them right only when told so.
  SetConsoleOutputCP(CP_UTF8);
  return Run(args, _isatty(_fileno(stderr)) != 0);
}
#else
int main(int argc, char** argv) {
  return Run(std::vector<std::string>(argv + 1, argv + argc), isatty(STDERR_FILENO) != 0);
}
#endif

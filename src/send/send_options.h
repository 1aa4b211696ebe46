// SPDX-License-Identifier: Apache-2.0
#pragma once
// The command line of torvane-send, the console sender: what it is asked
// to do, read from its arguments (UTF-8, without the program's own name).
#include <optional>
#include <string>
#include <vector>

#include "platform/status.h"

namespace sender {

inline constexpr char kProgramName[] = "torvane-send";
// The file argument that stands for standard input, and how it is shown.
inline constexpr char kStandardInput[] = "-";
inline constexpr char kStandardInputShown[] = "(standard input)";

enum class SendAction { Help, Version, List, Send, Watch, History };

struct SendOptions {
  SendAction action = SendAction::Help;
  std::string printer;             // for Send; empty when none was named
  std::string title;               // for Send: the one document's name, if given
  bool quiet = false;              // no progress, no request ids
  int copies = 1;                  // each file printed this many times
  std::string server;              // the print server, HOST[:PORT]; empty: the configured one
  std::vector<std::string> files;  // for Send, in the order given
  bool wait = false;               // follow the documents sent until they have printed
  std::optional<int> wait_limit;   // with wait: at most this many seconds; none: no limit
  bool long_list = false;          // for List (given twice, "--list -l"): each printer's state too
  std::string folder;              // for Watch and History: the watched folder
  int settle_seconds = 2;          // for Watch: how long a file must stay unchanged without an event
  bool delete_printed = false;     // for Watch: printed files are removed, not kept in printed/
  bool once = false;               // for Watch: what is there now, then its verdicts, then the end
};

struct ParsedOptions {
  SendOptions options;
  platform::Status usable;  // fails, with the first reason, when the arguments are not usable
};

// Accepts --help, --version, --list/-l, --quiet/-q/-s, -n COPIES (1-9999,
// --copies), the print server
// as -h HOST[:PORT] (--server), the printer as
// --printer/-p/-d/-P NAME (also --printer=NAME and -dNAME, as lp takes
// it), --title/-t NAME for a single file, --wait[=SECONDS] (the seconds
// attached only), then files, "-" once for standard input; "--" ends the
// options, so a file may begin with a hyphen. --help and --version win over everything else.
// --watch FOLDER (with --settle SECONDS, --delete, --once and the printer
// options) and --history FOLDER take no files.
ParsedOptions ParseSendOptions(const std::vector<std::string>& args);

// The printer to use when none is named, from the environment as lp reads
// it: LPDEST, else PRINTER unless it holds "lp" (a placeholder many login
// scripts set); empty values count as unset. Empty when neither names one.
struct EnvironmentPrinter {
  std::string name;
  std::string variable;  // "LPDEST" or "PRINTER"
};
EnvironmentPrinter PrinterFromEnvironment();

std::string HelpText();
std::string VersionText();

}  // namespace sender

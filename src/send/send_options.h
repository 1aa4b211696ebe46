#pragma once
// The command line of torvane-send, the console sender: what it is asked
// to do, read from its arguments (UTF-8, without the program's own name).
#include <string>
#include <vector>

namespace sender {

inline constexpr char kProgramName[] = "torvane-send";

enum class SendAction { Help, Version, List, Send };

struct SendOptions {
  SendAction action = SendAction::Help;
  std::string printer;             // for Send
  std::vector<std::string> files;  // for Send, in the order given
};

struct ParsedOptions {
  SendOptions options;
  std::string error;  // non-empty when the arguments are not usable
};

// Accepts --help/-h, --version, --list/-l, and --printer/-p NAME (also
// --printer=NAME) followed by files; "--" ends the options, so a file may
// begin with a hyphen. --help and --version win over everything else.
ParsedOptions ParseSendOptions(const std::vector<std::string>& args);

std::string HelpText();
std::string VersionText();

}  // namespace sender

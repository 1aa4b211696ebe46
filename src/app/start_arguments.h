// SPDX-License-Identifier: Apache-2.0
#pragma once
// The window program's arguments where the shell has split them (Linux,
// macOS): each one is a file path, taken exactly as given, except --help
// and --version; "--" ends the options, so that what follows it is always
// a path. Anything else that begins with "-" is a path too: a glob such as
// *.prn may well expand to a file named "-draft.prn", and listing a
// mistyped option shows it, while refusing it would drop every file.
#include <string>
#include <vector>

namespace app {

enum class StartAction { Window, Help, Version };

struct StartArguments {
  StartAction action = StartAction::Window;
  std::vector<std::string> paths;  // for Window, in the order given
};

// `args` without the program's own name; the paths are moved out of it.
StartArguments ParseStartArguments(std::vector<std::string> args);

std::string StartHelpText();
std::string StartVersionText();

}  // namespace app

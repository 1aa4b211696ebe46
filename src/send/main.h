// SPDX-License-Identifier: Apache-2.0
#pragma once
// The program's body, below the system's entry point (main_posix.cpp,
// main_win.cpp), which hands it the arguments as UTF-8.
#include <string>
#include <vector>

namespace sender {

// Runs torvane-send with `args` (the program's name left out); `terminal`:
// whether standard error is a terminal, where progress shows.
int Main(const std::vector<std::string>& args, bool terminal);

}  // namespace sender

// SPDX-License-Identifier: Apache-2.0
#pragma once
// The process command line as one argument text, where the system keeps it
// whole (Windows). Elsewhere the shell has already split the arguments and
// the program joins them itself.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Whether a leading part of the command line names this program itself.
using NamesProgram = std::function<bool(std::string_view candidate)>;

// The command line after the program's own path and the blanks that follow
// it. The path is the quoted run up to the next double quote when the line
// starts with one. Unquoted, a path may hold blanks (C:\Program Files\...):
// it is the shortest run ending at a blank, a tab or the line's end that
// `names_program` takes, or else everything up to the first blank or tab.
std::string WithoutProgramPath(std::string_view command_line, const NamesProgram& names_program = {});

// On Windows the process's command line (UTF-8) without the program's path;
// elsewhere nothing.
std::optional<std::string> NativeArgumentText();

}  // namespace platform

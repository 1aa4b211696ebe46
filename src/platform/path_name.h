// SPDX-License-Identifier: Apache-2.0
#pragma once
// The file-name part of a path: what the file list shows with Full Path off
// and what a spooler document is named after. Only the platform's own
// folder separator counts: the backslash on Windows; the slash elsewhere,
// where a backslash is an ordinary character of a file name.
#include <string>
#include <string_view>

namespace platform {

// The platform's folder separator (path_name_posix.cpp, path_name_win.cpp).
extern const char kFolderSeparator;

// Everything after the last `separator` in `path` (empty when the path ends
// with one); the whole path when it holds none.
std::string FileNamePart(std::string_view path, char separator = kFolderSeparator);

}  // namespace platform

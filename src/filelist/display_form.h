// SPDX-License-Identifier: Apache-2.0
#pragma once
// How the file list shows a path, and how many lines it can hold.
#include <string>
#include <string_view>

#include "platform/path_name.h"

namespace filelist {

// Line positions and the line count are 16-bit signed values.
inline constexpr int kMaxListLines = 32767;

// The path itself when Full Path's value is not 0, else its file-name part.
std::string DisplayForm(std::string_view path, int full_path_value,
                        char separator = platform::kFolderSeparator);

}  // namespace filelist

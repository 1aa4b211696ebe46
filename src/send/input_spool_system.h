// SPDX-License-Identifier: Apache-2.0
#pragma once
// What keeping standard input needs of the operating system, one file per
// system (input_spool_posix.cpp, input_spool_win.cpp).
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/status.h"

namespace sender {

struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileClose>;

// Tells RemoveKeptInputNow which file to remove (or none).
void Keep(const std::filesystem::path& path);
// A path as the print job takes paths: UTF-8 on Windows, the file
// system's own bytes elsewhere.
std::string PathText(const std::filesystem::path& path);
// A new, empty file of this process's own in `folder`, opened as `file`;
// `path` is set once the file exists, even if it then could not be opened.
platform::Status CreateTemporary(const std::filesystem::path& folder, std::filesystem::path& path, File& file);
// Waits until `input` has something to read (data, its end or an error),
// looking at `stop` every tenth of a second; false once `stop` is raised.
bool AwaitInput(int input, const std::atomic<bool>& stop);
// Reads what `input` has, at most `size` bytes: their count, 0 at the
// end, below 0 on an error (in errno).
long ReadSome(int input, char* buffer, std::size_t size);
// Reads `input` as its bytes are, with no line-end translation.
void ReadBinary(int input);

}  // namespace sender

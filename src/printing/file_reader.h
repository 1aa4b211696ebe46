// SPDX-License-Identifier: Apache-2.0
#pragma once
// A listed file as the print job reads it: measured once, then read from
// the start in order, each read either complete or visibly short. Paths are
// UTF-8 on Windows and the file system's own bytes elsewhere; lengths are
// 64-bit, so files of 2 GiB and more read like any other.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/status.h"

namespace printing {

// What tells one state of a file from another: its size, and when its
// contents (modified) and its entry (changed) last changed, in the
// system's own units. A file rewritten in place, even to the same size,
// gets new times.
struct FileStamp {
  std::int64_t size = 0;
  std::int64_t modified = 0;
  std::int64_t changed = 0;
  bool operator==(const FileStamp&) const = default;
};

// The platform's part (file_reader_posix.cpp, file_reader_win.cpp): the
// path a listed file's text names; opening it for reading as raw bytes,
// null with errno set when it cannot; an open file's stamp, false when it
// cannot be read.
std::filesystem::path PathFromText(const std::string& path);
std::FILE* OpenForReading(const std::filesystem::path& path);
bool StampOf(std::FILE* file, FileStamp& stamp);

class FileReader {
 public:
  FileReader() = default;
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // Measures the file into `length`, then opens it for reading as raw
  // bytes.
  platform::Status Open(const std::string& path, std::int64_t& length);

  // Reads up to `size` bytes into `buffer`; `got` receives how many
  // arrived: all of them unless the file ended first or the read failed.
  platform::Status Read(void* buffer, std::size_t size, std::size_t& got);

  // Whether the file holds at least one byte past what has been read.
  bool HasMore();

  // Ok while the file is as it was measured: the same size and times.
  platform::Status Unchanged() const;

 private:
  std::FILE* file_ = nullptr;
  FileStamp measured_;
};

}  // namespace printing

// SPDX-License-Identifier: Apache-2.0
#pragma once
// A listed file as the print job reads it: measured once, then read from
// the start in order, each read either complete or visibly short. Paths are
// UTF-8 on Windows and the file system's own bytes elsewhere; lengths are
// 64-bit, so files of 2 GiB and more read like any other.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/status.h"

namespace printing {

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

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace printing

// SPDX-License-Identifier: Apache-2.0
// Files on POSIX systems: paths are the file system's own bytes.
#include <sys/stat.h>

#include <cstdio>

#include "printing/file_reader.h"

namespace printing {
namespace {

std::int64_t Nanoseconds(const timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

}  // namespace

std::filesystem::path PathFromText(const std::string& path) { return std::filesystem::path(path); }

std::FILE* OpenForReading(const std::filesystem::path& path) { return std::fopen(path.c_str(), "rb"); }

bool StampOf(std::FILE* file, FileStamp& stamp) {
  struct stat status;
  if (fstat(fileno(file), &status) != 0) return false;
  stamp.size = static_cast<std::int64_t>(status.st_size);
#ifdef __APPLE__
  stamp.modified = Nanoseconds(status.st_mtimespec);
  stamp.changed = Nanoseconds(status.st_ctimespec);
#else
  stamp.modified = Nanoseconds(status.st_mtim);
  stamp.changed = Nanoseconds(status.st_ctim);
#endif
  return true;
}

}  // namespace printing

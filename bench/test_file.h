// SPDX-License-Identifier: Apache-2.0
#pragma once
// The benchmark's file and its folder: pseudo-random data written once,
// read back from disk by every sender, and compared with what was captured.
#include <fcntl.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace bench {

namespace fs = std::filesystem;

// The unit the file is written, read and compared in.
inline constexpr std::size_t kBlock = 1 << 20;

// A folder of the run's own, removed with everything in it at the end.
class TempFolder {
 public:
  explicit TempFolder(const fs::path& parent);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// An open file descriptor, closed at the end of its scope.
class Fd {
 public:
  Fd(const fs::path& path, int flags, mode_t mode = 0644);
  ~Fd();
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

// Reads until `size` bytes are in or the file ends; returns how many.
std::size_t ReadFull(int fd, unsigned char* buffer, std::size_t size);

// Real data, so that reading it costs what reading a print file costs.
// The first byte is never 0x1f: `lp` unpacks a file that starts like gzip.
void WriteTestFile(const fs::path& path, std::int64_t size);

// Drops the file's pages from the page cache, so the next read comes from disk.
void EvictFromCache(const fs::path& path);

// Whether two files hold the same bytes.
bool SameBytes(const fs::path& a, const fs::path& b);

}  // namespace bench

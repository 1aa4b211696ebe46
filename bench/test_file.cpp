#include "bench/test_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/measure.h"

namespace bench {

TempFolder::TempFolder(const fs::path& parent) {
  std::string pattern = (parent / "torvane-bench.XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) Fail("cannot make a folder in " + parent.string());
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

Fd::Fd(const fs::path& path, int flags, mode_t mode) : fd_(open(path.c_str(), flags | O_CLOEXEC, mode)) {
  if (fd_ < 0) Fail("cannot open " + path.string() + ": " + std::strerror(errno));
}

Fd::~Fd() { close(fd_); }

std::size_t ReadFull(int fd, unsigned char* buffer, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = read(fd, buffer + got, size - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(std::string("read: ") + std::strerror(errno));
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got;
}

void WriteTestFile(const fs::path& path, std::int64_t size) {
  Fd file(path, O_WRONLY | O_CREAT | O_TRUNC);
  std::vector<unsigned char> block(kBlock);
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  for (std::int64_t done = 0; done < size; done += static_cast<std::int64_t>(kBlock)) {
    for (std::size_t i = 0; i < kBlock; i += 8) {  // splitmix64
      std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
      z ^= z >> 31;
      std::memcpy(block.data() + i, &z, 8);
    }
    if (done == 0 && block[0] == 0x1f) block[0] = 0x1e;
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(size - done, kBlock));
    if (write(file.Get(), block.data(), n) != static_cast<ssize_t>(n)) Fail("cannot write " + path.string());
  }
  if (fsync(file.Get()) != 0) Fail("cannot sync " + path.string());
}

void EvictFromCache(const fs::path& path) {
  Fd file(path, O_RDONLY);
  posix_fadvise(file.Get(), 0, 0, POSIX_FADV_DONTNEED);
}

bool SameBytes(const fs::path& a, const fs::path& b) {
  Fd fa(a, O_RDONLY), fb(b, O_RDONLY);
  std::vector<unsigned char> ba(kBlock), bb(kBlock);
  for (;;) {
    const std::size_t na = ReadFull(fa.Get(), ba.data(), kBlock);
    const std::size_t nb = ReadFull(fb.Get(), bb.data(), kBlock);
    if (na != nb || std::memcmp(ba.data(), bb.data(), na) != 0) return false;
    if (na == 0) return true;
  }
}

}  // namespace bench

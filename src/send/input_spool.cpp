#include "send/input_spool.h"

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <vector>

#include "send/input_spool_system.h"

namespace sender {
namespace {

constexpr std::size_t kBlockSize = 1 << 16;

std::string ErrnoText(int number) { return std::generic_category().message(number); }

// A new, empty file of this process's own in the temporary folder.
platform::Status CreateTemporary(std::filesystem::path& path, File& file) {
  std::error_code error;
  const auto folder = std::filesystem::temp_directory_path(error);
  if (error) return platform::Status::Fail("no temporary folder (" + error.message() + ")");
  if (auto made = CreateTemporary(folder, path, file); !made.IsOk()) return made;
  if (!file) return platform::Status::Fail("the temporary file could not be opened (" + ErrnoText(errno) + ")");
  return platform::Status::Ok();
}

}  // namespace

InputSpool::~InputSpool() {
  Keep({});
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove(path_, ignored);
}

platform::Status InputSpool::Fill(int input, const std::atomic<bool>& stop) {
  using platform::Status;
  ReadBinary(input);
  File file;
  const Status created = CreateTemporary(path_, file);
  // Kept for removal even when it could not be opened.
  Keep(path_);
  if (!created.IsOk()) return created;
  std::vector<char> buffer(kBlockSize);
  while (true) {
    if (!AwaitInput(input, stop)) return Status::Fail("interrupted while reading standard input");
    const long got = ReadSome(input, buffer.data(), buffer.size());
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      return Status::Fail("standard input could not be read (" + ErrnoText(errno) + ")");
    }
    if (std::fwrite(buffer.data(), 1, static_cast<std::size_t>(got), file.get()) != static_cast<std::size_t>(got)) {
      return Status::Fail("standard input could not be kept in " + Path() + " (" + ErrnoText(errno) + ")");
    }
  }
  if (std::fclose(file.release()) != 0) {
    return Status::Fail("standard input could not be kept in " + Path() + " (" + ErrnoText(errno) + ")");
  }
  return Status::Ok();
}

std::string InputSpool::Path() const { return PathText(path_); }

}  // namespace sender

#include "send/input_spool.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <poll.h>
#include <unistd.h>
#endif

namespace sender {
namespace {

constexpr std::size_t kBlockSize = 1 << 16;

#ifndef _WIN32
// The kept file's path for RemoveKeptInputNow, which may not allocate.
char kept_path[4096];
std::atomic<bool> kept{false};
static_assert(std::atomic<bool>::is_always_lock_free, "read from a signal handler");
#endif

// Tells RemoveKeptInputNow which file to remove (or none).
void Keep([[maybe_unused]] const std::filesystem::path& path) {
#ifndef _WIN32
  kept = false;
  if (path.empty() || path.native().size() >= sizeof kept_path) return;
  std::copy(path.native().begin(), path.native().end(), kept_path);
  kept_path[path.native().size()] = '\0';
  kept = true;
#endif
}

std::string ErrnoText(int number) { return std::generic_category().message(number); }

// A path as the print job takes paths: UTF-8 on Windows, the file
// system's own bytes elsewhere.
std::string PathText(const std::filesystem::path& path) {
#ifdef _WIN32
  const auto text = path.u8string();
  return std::string(text.begin(), text.end());
#else
  return path.string();
#endif
}

struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileClose>;

// A new, empty file of this process's own in the temporary folder, opened
// as `file`; `path` is set once the file exists, even if it then could not
// be opened.
platform::Status CreateTemporary(std::filesystem::path& path, File& file) {
  std::error_code error;
  const auto folder = std::filesystem::temp_directory_path(error);
  if (error) return platform::Status::Fail("no temporary folder (" + error.message() + ")");
#ifdef _WIN32
  wchar_t name[MAX_PATH];
  if (GetTempFileNameW(folder.c_str(), L"tvs", 0, name) == 0) {
    return platform::Status::Fail("no temporary file could be made in " + PathText(folder));
  }
  path = name;
  file.reset(_wfopen(name, L"wb"));
#else
  std::string name = (folder / "torvane-send-XXXXXX").string();
  const int descriptor = mkstemp(name.data());
  if (descriptor < 0) {
    return platform::Status::Fail("no temporary file could be made in " + PathText(folder) + " (" +
                                  ErrnoText(errno) + ")");
  }
  path = name;
  file.reset(fdopen(descriptor, "wb"));
  if (!file) close(descriptor);
#endif
  if (!file) return platform::Status::Fail("the temporary file could not be opened (" + ErrnoText(errno) + ")");
  return platform::Status::Ok();
}

// Waits until `input` has something to read (data, its end or an error),
// looking at `stop` every tenth of a second; false once `stop` is raised.
bool AwaitInput([[maybe_unused]] int input, const std::atomic<bool>& stop) {
#ifndef _WIN32
  pollfd watched{input, POLLIN, 0};
  while (!stop.load()) {
    // Ready, or an error that the read then tells; an interrupt shows as
    // EINTR and is looked at above.
    const int ready = poll(&watched, 1, 100);
    if (ready > 0 || (ready < 0 && errno != EINTR)) return true;
  }
  return false;
#else
  // A console or pipe read cannot be watched so; an interrupt is seen once
  // it returns.
  return !stop.load();
#endif
}

long ReadSome(int input, char* buffer, std::size_t size) {
#ifdef _WIN32
  return _read(input, buffer, static_cast<unsigned>(size));
#else
  return static_cast<long>(read(input, buffer, size));
#endif
}

}  // namespace

void RemoveKeptInputNow() {
#ifndef _WIN32
  if (kept.exchange(false)) unlink(kept_path);
#endif
}

InputSpool::~InputSpool() {
  Keep({});
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove(path_, ignored);
}

platform::Status InputSpool::Fill(int input, const std::atomic<bool>& stop) {
  using platform::Status;
#ifdef _WIN32
  _setmode(input, _O_BINARY);  // the bytes as they are, no line-end translation
#endif
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

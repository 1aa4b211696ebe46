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

// A new, empty file of this process's own in the temporary folder.
File CreateTemporary(std::filesystem::path& path, std::string& why) {
  std::error_code error;
  const auto folder = std::filesystem::temp_directory_path(error);
  if (error) {
    why = "no temporary folder (" + error.message() + ")";
    return nullptr;
  }
#ifdef _WIN32
  wchar_t name[MAX_PATH];
  if (GetTempFileNameW(folder.c_str(), L"tvs", 0, name) == 0) {
    why = "no temporary file could be made in " + PathText(folder);
    return nullptr;
  }
  path = name;
  File file(_wfopen(name, L"wb"));
#else
  std::string name = (folder / "torvane-send-XXXXXX").string();
  const int descriptor = mkstemp(name.data());
  if (descriptor < 0) {
    why = "no temporary file could be made in " + PathText(folder) + " (" + ErrnoText(errno) + ")";
    return nullptr;
  }
  path = name;
  File file(fdopen(descriptor, "wb"));
  if (!file) close(descriptor);
#endif
  if (!file) why = "the temporary file could not be opened (" + ErrnoText(errno) + ")";
  return file;
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

std::string InputSpool::Fill(int input, const std::atomic<bool>& stop) {
#ifdef _WIN32
  _setmode(input, _O_BINARY);  // the bytes as they are, no line-end translation
#endif
  std::string why;
  File file = CreateTemporary(path_, why);
  Keep(path_);
  if (!file) return why;
  std::vector<char> buffer(kBlockSize);
  while (true) {
    if (!AwaitInput(input, stop)) return "interrupted while reading standard input";
    const long got = ReadSome(input, buffer.data(), buffer.size());
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      return "standard input could not be read (" + ErrnoText(errno) + ")";
    }
    if (std::fwrite(buffer.data(), 1, static_cast<std::size_t>(got), file.get()) != static_cast<std::size_t>(got)) {
      return "standard input could not be kept in " + Path() + " (" + ErrnoText(errno) + ")";
    }
  }
  if (std::fclose(file.release()) != 0) {
    return "standard input could not be kept in " + Path() + " (" + ErrnoText(errno) + ")";
  }
  return {};
}

std::string InputSpool::Path() const { return PathText(path_); }

}  // namespace sender

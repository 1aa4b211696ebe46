#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include "send/input_spool.h"
#include "send/input_spool_system.h"

namespace sender {
namespace {

// The kept file's path for RemoveKeptInputNow, which may not allocate.
char kept_path[4096];
std::atomic<bool> kept{false};
static_assert(std::atomic<bool>::is_always_lock_free, "read from a signal handler");

}  // namespace

void Keep(const std::filesystem::path& path) {
  kept = false;
  if (path.empty() || path.native().size() >= sizeof kept_path) return;
  std::copy(path.native().begin(), path.native().end(), kept_path);
  kept_path[path.native().size()] = '\0';
  kept = true;
}

void RemoveKeptInputNow() {
  if (kept.exchange(false)) unlink(kept_path);
}

std::string PathText(const std::filesystem::path& path) { return path.string(); }

platform::Status CreateTemporary(const std::filesystem::path& folder, std::filesystem::path& path, File& file) {
  std::string name = (folder / "torvane-send-XXXXXX").string();
  const int descriptor = mkstemp(name.data());
  if (descriptor < 0) {
    return platform::Status::Fail("no temporary file could be made in " + PathText(folder) + " (" +
                                  std::generic_category().message(errno) + ")");
  }
  path = name;
  file.reset(fdopen(descriptor, "wb"));
  if (!file) close(descriptor);
  return platform::Status::Ok();
}

bool AwaitInput(int input, const std::atomic<bool>& stop) {
  pollfd watched{input, POLLIN, 0};
  while (!stop.load()) {
    // Ready, or an error that the read then tells; an interrupt shows as
    // EINTR and is looked at above.
    const int ready = poll(&watched, 1, 100);
    if (ready > 0 || (ready < 0 && errno != EINTR)) return true;
  }
  return false;
}

long ReadSome(int input, char* buffer, std::size_t size) { return static_cast<long>(read(input, buffer, size)); }

void ReadBinary(int) {}

}  // namespace sender

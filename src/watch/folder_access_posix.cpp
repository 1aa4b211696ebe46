#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "watch/folder_access.h"

namespace watch {
namespace {

platform::Status ErrnoFailure(const std::string& what) {
  return platform::Status::Fail(what + " (" + std::strerror(errno) + ")");
}

class InotifyEvents : public FolderEvents {
 public:
  explicit InotifyEvents(int fd) : fd_(fd) {}
  ~InotifyEvents() override { close(fd_); }

  Batch Wait(std::chrono::milliseconds timeout) override {
    Batch batch;
    pollfd ready{fd_, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(timeout.count())) <= 0) return batch;
    alignas(inotify_event) char buffer[64 * 1024];
    // Everything queued now, read in one go or a few.
    for (;;) {
      const auto got = read(fd_, buffer, sizeof buffer);
      if (got <= 0) break;
      for (char* at = buffer; at < buffer + got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(at);
        if (event->mask & IN_Q_OVERFLOW) batch.overflowed = true;
        if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) batch.folder_gone = true;
        if ((event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) && event->len > 0 && !(event->mask & IN_ISDIR)) {
          batch.finished.emplace_back(event->name);
        }
        at += sizeof(inotify_event) + event->len;
      }
    }
    return batch;
  }

 private:
  int fd_;
};

class FlockLock : public FileLock {
 public:
  explicit FlockLock(int fd) : fd_(fd) {}
  ~FlockLock() override { close(fd_); }

 private:
  int fd_;
};

// What a failed move's errno says.
platform::StatusOr<RenameEnd> RenameOutcome(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (errno == EEXIST) return RenameEnd::TargetTaken;
  struct stat seen;
  if (errno == ENOENT && lstat(from.c_str(), &seen) != 0) return RenameEnd::SourceGone;
  return ErrnoFailure("it could not be moved to " + to.string());
}

// Without a rename that never replaces (some network and FUSE file
// systems): a hard link fails atomically where the target exists, and the
// source, this watcher's own, is then removed without a race.
platform::StatusOr<RenameEnd> LinkThenUnlink(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (link(from.c_str(), to.c_str()) != 0) {
    if (errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS) {
      return platform::Status::Fail("it could not be moved to " + to.string() +
                                    ": its file system can neither rename a file without replacing another nor "
                                    "link it, so the move could replace a file there");
    }
    return RenameOutcome(from, to);
  }
  if (unlink(from.c_str()) != 0) {
    const auto failure = ErrnoFailure("it could not be moved to " + to.string());
    unlink(to.c_str());  // it stays where it was, once
    return failure;
  }
  return RenameEnd::Done;
}

// A move into this watcher's own folder, where nothing else makes names:
// nothing can take the target between the look and the rename, and a plain
// rename takes the source from any other watcher atomically.
platform::StatusOr<RenameEnd> RenameIntoOwn(const std::filesystem::path& from, const std::filesystem::path& to) {
  struct stat seen;
  if (lstat(to.c_str(), &seen) == 0) return RenameEnd::TargetTaken;
  if (rename(from.c_str(), to.c_str()) == 0) return RenameEnd::Done;
  return RenameOutcome(from, to);
}

}  // namespace

platform::StatusOr<std::unique_ptr<FolderEvents>> WatchFolder(const std::filesystem::path& folder) {
  const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) return ErrnoFailure("the folder's events cannot be had");
  constexpr uint32_t kMask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
  if (inotify_add_watch(fd, folder.c_str(), kMask) < 0) {
    const auto failure = ErrnoFailure("the folder cannot be watched");
    close(fd);
    return failure;
  }
  return std::unique_ptr<FolderEvents>(std::make_unique<InotifyEvents>(fd));
}

platform::StatusOr<RenameEnd> RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                                              OwnEnd own) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return RenameEnd::Done;
  if (errno != EINVAL && errno != ENOSYS) return RenameOutcome(from, to);
  return own == OwnEnd::Source ? LinkThenUnlink(from, to) : RenameIntoOwn(from, to);
}

platform::StatusOr<std::unique_ptr<FileLock>> TryLock(const std::filesystem::path& path) {
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return ErrnoFailure("the lock " + path.string() + " cannot be opened");
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool held = errno == EWOULDBLOCK;
    const auto failure = ErrnoFailure("the lock " + path.string() + " cannot be taken");
    close(fd);
    if (held) return std::unique_ptr<FileLock>();
    return failure;
  }
  return std::unique_ptr<FileLock>(std::make_unique<FlockLock>(fd));
}

bool WriterDone(const std::filesystem::path&) { return true; }

platform::Status SyncFile(std::FILE* file) {
  if (std::fflush(file) != 0 || fdatasync(fileno(file)) != 0) return ErrnoFailure("it could not be written");
  return platform::Status::Ok();
}

void SyncFolder(const std::filesystem::path& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

std::string OwnerName() {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0 || host[0] == '\0') std::strcpy(host, "host");
  return std::string(host) + "-" + std::to_string(getpid());
}

std::FILE* OpenForAppend(const std::filesystem::path& path) { return std::fopen(path.c_str(), "ae"); }

std::FILE* OpenNew(const std::filesystem::path& path, bool& exists) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  exists = fd < 0 && errno == EEXIST;
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) close(fd);
  return file;
}

}  // namespace watch

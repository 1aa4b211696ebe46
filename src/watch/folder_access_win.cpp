#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <vector>

#include "platform/wide_text_win.h"
#include "watch/folder_access.h"

namespace watch {
namespace {

// A file busy for a moment (another watcher renaming it) is tried again
// this often, this many milliseconds apart, before it counts as held open.
constexpr int kBusyAttempts = 5;
constexpr DWORD kBusyPause = 10;

platform::Status Failure(const std::string& what, DWORD error = GetLastError()) {
  return platform::Status::Fail(what + " (Windows error " + std::to_string(error) + ")");
}

// ReadDirectoryChangesW on the folder, overlapped, so that a wait has a
// limit. Windows tells no close: a file renamed in counts as finished;
// the others are found by the rescan, once settled and free of writers.
class DirectoryEvents : public FolderEvents {
 public:
  DirectoryEvents(HANDLE folder, HANDLE event) : folder_(folder) {
    overlapped_.hEvent = event;
  }
  ~DirectoryEvents() override {
    CancelIoEx(folder_, &overlapped_);
    DWORD ignored = 0;
    GetOverlappedResult(folder_, &overlapped_, &ignored, TRUE);
    CloseHandle(overlapped_.hEvent);
    CloseHandle(folder_);
  }
  bool Arm() {
    return ReadDirectoryChangesW(folder_, buffer_, sizeof buffer_, FALSE,
                                 FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE,
                                 nullptr, &overlapped_, nullptr) != 0;
  }

  Batch Wait(std::chrono::milliseconds timeout) override {
    Batch batch;
    if (WaitForSingleObject(overlapped_.hEvent, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return batch;
    DWORD got = 0;
    if (!GetOverlappedResult(folder_, &overlapped_, &got, FALSE)) {
      // The folder went (deleted, or its volume), or the buffer overflowed.
      if (GetLastError() == ERROR_NOTIFY_ENUM_DIR) {
        batch.overflowed = true;
      } else {
        batch.folder_gone = true;
        return batch;
      }
    }
    if (got == 0) batch.overflowed = true;
    for (DWORD at = 0; got > 0 && at < got;) {
      const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buffer_ + at);
      if (info->Action == FILE_ACTION_RENAMED_NEW_NAME) {
        batch.finished.push_back(platform::Utf16ToUtf8(std::wstring_view(info->FileName, info->FileNameLength / 2)));
      }
      if (info->NextEntryOffset == 0) break;
      at += info->NextEntryOffset;
    }
    if (!Arm()) batch.folder_gone = true;
    return batch;
  }

 private:
  HANDLE folder_;
  OVERLAPPED overlapped_{};
  alignas(DWORD) unsigned char buffer_[64 * 1024];
};

class WindowsLock : public FileLock {
 public:
  explicit WindowsLock(HANDLE file) : file_(file) {}
  ~WindowsLock() override { CloseHandle(file_); }

 private:
  HANDLE file_;
};

}  // namespace

platform::StatusOr<std::unique_ptr<FolderEvents>> WatchFolder(const std::filesystem::path& folder) {
  const HANDLE handle = CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return Failure("the folder cannot be watched");
  const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  auto events = std::make_unique<DirectoryEvents>(handle, event);
  if (!events->Arm()) return Failure("the folder's events cannot be had");
  return std::unique_ptr<FolderEvents>(std::move(events));
}

platform::StatusOr<RenameEnd> RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                                              OwnEnd) {
  // The file is held with delete access shared with nobody while it is
  // renamed: of two watchers trying for it, one holds it and the other
  // finds it busy. (MoveFileExW shares delete access, so the loser's
  // handle could still be open on the winner's claim and keep the winner
  // from reading it.) Busy lasts only as long as a rename, or a writer.
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD error = ERROR_SHARING_VIOLATION;
  for (int attempt = 0; attempt < kBusyAttempts && error == ERROR_SHARING_VIOLATION; ++attempt) {
    if (attempt > 0) Sleep(kBusyPause);
    file = CreateFileW(from.c_str(), DELETE | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    error = file == INVALID_HANDLE_VALUE ? GetLastError() : NO_ERROR;
  }
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return RenameEnd::SourceGone;
  if (error != NO_ERROR) return Failure("it could not be moved (it may still be open)", error);
  const std::wstring target = to.wstring();
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
  auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  rename->ReplaceIfExists = FALSE;  // a rename that never replaces
  rename->RootDirectory = nullptr;
  rename->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
  std::copy(target.begin(), target.end(), rename->FileName);
  const bool renamed = SetFileInformationByHandle(file, FileRenameInfo, rename, static_cast<DWORD>(buffer.size())) != 0;
  error = renamed ? NO_ERROR : GetLastError();
  CloseHandle(file);
  if (renamed) return RenameEnd::Done;
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) return RenameEnd::TargetTaken;
  return Failure("it could not be moved", error);
}

platform::StatusOr<std::unique_ptr<FileLock>> TryLock(const std::filesystem::path& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Failure("the lock cannot be opened");
  OVERLAPPED whole{};
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) return std::unique_ptr<FileLock>();
    return Failure("the lock cannot be taken", error);
  }
  return std::unique_ptr<FileLock>(std::make_unique<WindowsLock>(file));
}

bool WriterDone(const std::filesystem::path& path) {
  // A writer still holding the file open shares no write access with us.
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() != ERROR_SHARING_VIOLATION;
  CloseHandle(file);
  return true;
}

platform::Status SyncFile(std::FILE* file) {
  if (std::fflush(file) != 0 || _commit(_fileno(file)) != 0) return platform::Status::Fail("it could not be written");
  return platform::Status::Ok();
}

void SyncFolder(const std::filesystem::path&) {}  // NTFS journals renames itself

std::string OwnerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
  const std::string host = GetComputerNameW(name, &size) ? platform::Utf16ToUtf8(name) : "host";
  return host + "-" + std::to_string(GetCurrentProcessId());
}

std::FILE* OpenForAppend(const std::filesystem::path& path) { return _wfopen(path.c_str(), L"ab"); }

std::FILE* OpenNew(const std::filesystem::path& path, bool& exists) {
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  exists = handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS;
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) _close(fd);
  return file;
}

}  // namespace watch

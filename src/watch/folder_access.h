// SPDX-License-Identifier: Apache-2.0
#pragma once
// What the watched folder needs of the operating system, one back end per
// platform: the folder's events, a rename that never replaces, a lock held
// for a process's life, and writes made durable.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/status.h"

namespace watch {

// The events of one folder: the names of files whose writer closed them or
// that were renamed in.
class FolderEvents {
 public:
  virtual ~FolderEvents() = default;
  struct Batch {
    std::vector<std::string> finished;
    bool overflowed = false;  // events were lost: the folder is to be looked at whole
    bool folder_gone = false;  // the folder was removed or moved away
  };
  // Waits at most `timeout` for events, then returns what came.
  virtual Batch Wait(std::chrono::milliseconds timeout) = 0;
};

// Starts watching `folder`; fails with the system's reason.
platform::StatusOr<std::unique_ptr<FolderEvents>> WatchFolder(const std::filesystem::path& folder);

enum class RenameEnd { Done, SourceGone, TargetTaken };
// Which end of a move is in a folder only this watcher changes (its work
// folder): where the file system cannot rename without replacing, that
// tells how to move without a race.
enum class OwnEnd { Source, Target };
// Renames `from` to `to` atomically unless `to` exists; fails with the
// reason where the file system cannot do that safely.
platform::StatusOr<RenameEnd> RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                                              OwnEnd own);

// A lock on a file, held until destroyed, so that a watcher can tell a
// work folder whose owner is running from one whose owner died.
class FileLock {
 public:
  virtual ~FileLock() = default;
};
// The lock on `path` (made if missing), or null when another process holds it.
platform::StatusOr<std::unique_ptr<FileLock>> TryLock(const std::filesystem::path& path);

// Whether the file's writer has let go of it: on Windows, it opens without
// sharing write access; elsewhere always true (the settle time tells).
bool WriterDone(const std::filesystem::path& path);

// Writes `file`'s data through to the disk.
platform::Status SyncFile(std::FILE* file);
// Makes the renames into `folder` durable, where the system can.
void SyncFolder(const std::filesystem::path& folder);

// This machine's name and this process's id, for the work folder's name.
std::string OwnerName();

// `folder` opened as a stdio file for appending (UTF-8 path on Windows).
std::FILE* OpenForAppend(const std::filesystem::path& path);
// `path` made anew and opened for writing; null when it cannot be made,
// with `exists` telling whether that is because it is there already.
std::FILE* OpenNew(const std::filesystem::path& path, bool& exists);

}  // namespace watch

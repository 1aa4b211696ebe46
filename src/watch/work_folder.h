// SPDX-License-Identifier: Apache-2.0
#pragma once
// The watched folder's layout, and the moves of its files between its
// parts, each an atomic rename that never replaces a file.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/status.h"
#include "watch/folder_access.h"
#include "watch/folder_rules.h"

namespace watch {

struct FolderLayout {
  explicit FolderLayout(const std::filesystem::path& watched);
  std::filesystem::path folder, work_root, printed, failed, history;
  // Makes the parts that are missing.
  platform::Status Make() const;
};

// Moves `from` into the folder `into` as `name`, or as the first free name
// beside it; gives the path it got, or an empty one when `from` was gone
// (another watcher took it). `own`: which end is this watcher's work
// folder. With a `reason`, the text file beside it holds that before the
// file arrives: a crash between the two never leaves the file there
// without its reason.
platform::StatusOr<std::filesystem::path> MoveUnder(const std::filesystem::path& from,
                                                    const std::filesystem::path& into, const std::string& name,
                                                    OwnEnd own, const std::optional<std::string>& reason = std::nullopt);

// Whether files can be moved out of the work folder `work` without a risk
// of replacing one: fails with the reason where its file system cannot.
platform::Status CheckMoves(const std::filesystem::path& work);

// The entries of `folder` but its folders and the names left alone;
// `listed` fails when the folder could not be read.
std::vector<Sighting> ListFiles(const std::filesystem::path& folder, platform::Status& listed);

// The entry as it is now, links not followed; false when it is gone or a folder.
bool LookAt(const std::filesystem::path& path, Sighting& seen);

}  // namespace watch

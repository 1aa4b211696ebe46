// SPDX-License-Identifier: Apache-2.0
#pragma once
// The watched folder's layout, and the moves of its files between its
// parts, each an atomic rename that never replaces a file.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/status.h"
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
// (another watcher took it). With a `reason`, the text file beside it
// holds that before the file arrives: a crash between the two never
// leaves the file there without its reason.
platform::StatusOr<std::filesystem::path> MoveUnder(const std::filesystem::path& from,
                                                    const std::filesystem::path& into, const std::string& name,
                                                    const std::optional<std::string>& reason = std::nullopt);

// The regular files of `folder` not left alone by name; `listed` fails
// when the folder could not be read.
std::vector<Sighting> ListFiles(const std::filesystem::path& folder, platform::Status& listed);

// The file as it is now; false when it is not a regular file any more.
bool LookAt(const std::filesystem::path& path, Sighting& seen);

}  // namespace watch

#include "watch/work_folder.h"

#include <fstream>
#include <system_error>

#include "watch/folder_access.h"

namespace watch {

namespace fs = std::filesystem;

FolderLayout::FolderLayout(const fs::path& watched)
    : folder(watched),
      work_root(watched / kWorkFolder),
      printed(watched / kPrintedFolder),
      failed(watched / kFailedFolder),
      history(work_root / kHistoryFile) {}

platform::Status FolderLayout::Make() const {
  std::error_code error;
  if (!fs::is_directory(folder, error)) {
    return platform::Status::Fail("the folder " + Utf8(folder) + " is not there (or not a folder)");
  }
  for (const auto& part : {work_root, printed, failed}) {
    fs::create_directory(part, error);
    if (error) return platform::Status::Fail("the folder " + Utf8(part) + " cannot be made (" + error.message() + ")");
  }
  return platform::Status::Ok();
}

platform::StatusOr<fs::path> MoveUnder(const fs::path& from, const fs::path& into, const std::string& name) {
  for (;;) {
    const auto free = FreeName(name, [&into](const std::string& candidate) {
      std::error_code error;
      return fs::exists(into / FromUtf8(candidate), error) ||
             fs::exists(into / FromUtf8(candidate + kReasonSuffix), error);
    });
    const auto target = into / FromUtf8(free);
    auto moved = RenameNoReplace(from, target);
    if (!moved.IsOk()) return moved.Outcome();
    if (moved.Value() == RenameEnd::Done) return target;
    if (moved.Value() == RenameEnd::SourceGone) return fs::path();
    // Taken meanwhile, by another watcher: the next free name.
  }
}

platform::Status WriteReason(const fs::path& file, const std::string& reason) {
  std::ofstream out(fs::path(file) += kReasonSuffix, std::ios::binary);
  out << reason << '\n';
  out.close();
  if (!out) return platform::Status::Fail("its reason could not be written beside it (the disk may be full)");
  return platform::Status::Ok();
}

bool LookAt(const fs::path& path, Sighting& seen) {
  std::error_code error;
  const auto status = fs::status(path, error);
  if (error || !fs::is_regular_file(status)) return false;
  const auto size = fs::file_size(path, error);
  if (error) return false;
  const auto modified = fs::last_write_time(path, error);
  if (error) return false;
  seen.size = static_cast<std::int64_t>(size);
  seen.modified = modified;
  return true;
}

std::vector<Sighting> ListFiles(const fs::path& folder, platform::Status& listed) {
  std::vector<Sighting> files;
  std::error_code error;
  fs::directory_iterator entries(folder, error);
  if (error) {
    listed = platform::Status::Fail("the folder " + Utf8(folder) + " cannot be read (" + error.message() + ")");
    return files;
  }
  for (const auto& entry : entries) {
    Sighting seen{Utf8(entry.path().filename())};
    if (IsIgnoredName(seen.name) || !LookAt(entry.path(), seen)) continue;
    files.push_back(std::move(seen));
  }
  listed = platform::Status::Ok();
  return files;
}

}  // namespace watch

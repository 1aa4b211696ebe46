#include "watch/work_folder.h"

#include <cstdio>
#include <fstream>
#include <system_error>

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

namespace {

// Writes `reason` into `path`, made anew and durable; `taken` when the
// name was another's already.
platform::Status WriteReasonFile(const fs::path& path, const std::string& reason, bool& taken) {
  std::FILE* out = OpenNew(path, taken);
  if (out == nullptr && taken) return platform::Status::Ok();
  const std::string text = reason + "\n";
  bool written = out != nullptr && std::fwrite(text.data(), 1, text.size(), out) == text.size();
  written = out != nullptr && SyncFile(out).IsOk() && written;
  written = out != nullptr && std::fclose(out) == 0 && written;
  if (written) return platform::Status::Ok();
  std::error_code error;
  fs::remove(path, error);
  return platform::Status::Fail("its reason could not be written beside it (the disk may be full)");
}

}  // namespace

platform::StatusOr<fs::path> MoveUnder(const fs::path& from, const fs::path& into, const std::string& name,
                                       OwnEnd own, const std::optional<std::string>& reason) {
  for (;;) {
    // A link counts as there even when it leads nowhere, as for the rename.
    const auto free = FreeName(name, [&into](const std::string& candidate) {
      std::error_code error;
      return fs::exists(fs::symlink_status(into / FromUtf8(candidate), error)) ||
             fs::exists(fs::symlink_status(into / FromUtf8(candidate + kReasonSuffix), error));
    });
    const auto target = into / FromUtf8(free);
    const auto reason_file = fs::path(target) += kReasonSuffix;
    if (reason) {
      bool taken = false;
      if (auto written = WriteReasonFile(reason_file, *reason, taken); !written.IsOk()) return written;
      if (taken) continue;  // by another watcher meanwhile: the next free name
    }
    auto moved = RenameNoReplace(from, target, own);
    if (moved.IsOk() && moved.Value() == RenameEnd::Done) return target;
    std::error_code error;
    if (reason) fs::remove(reason_file, error);
    if (!moved.IsOk()) return moved.Outcome();
    if (moved.Value() == RenameEnd::SourceGone) return fs::path();
    // Taken meanwhile, by another watcher: the next free name.
  }
}

platform::Status CheckMoves(const fs::path& work) {
  // A hidden name: a probe left by a crash is no document.
  const auto probe = work / ".probe", moved = work / ".probe-moved";
  std::ofstream(probe).close();
  const auto outcome = RenameNoReplace(probe, moved, OwnEnd::Source);
  std::error_code error;
  fs::remove(probe, error);
  fs::remove(moved, error);
  return outcome.IsOk() ? platform::Status::Ok() : outcome.Outcome();
}

bool LookAt(const fs::path& path, Sighting& seen) {
  std::error_code error;
  const auto status = fs::symlink_status(path, error);
  if (error || !fs::exists(status) || fs::is_directory(status)) return false;
  seen.regular = fs::is_regular_file(status);
  if (!seen.regular) return true;  // never opened: its size and time are not asked
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

#include "filelist/file_list.h"

#include <algorithm>

#include "filelist/command_line.h"
#include "filelist/display_form.h"
#include "platform/window/form.h"
#include "platform/run_time_error.h"

namespace filelist {

FileList::FileList(const FileListControls& controls, std::function<void()> reset_progress)
    : controls_(controls), reset_progress_(std::move(reset_progress)) {}

void FileList::AddFileItem(std::string path) {
  const auto line = static_cast<std::size_t>(controls_.list_file.ListCount());
  if (line >= file_paths_.size()) throw platform::MakeError(platform::kErrSubscriptOutOfRange);
  if (line >= kMaxListLines) throw platform::MakeError(platform::kErrOverflow);
  // The slot is written before its line exists.
  file_paths_[line] = std::move(path);
  controls_.list_file.AddItem(DisplayForm(file_paths_[line], controls_.chk_full_path.Value()));
}

std::vector<std::string> FileList::ListedPaths() const {
  const auto lines = static_cast<std::size_t>(controls_.list_file.ListCount());
  return {file_paths_.begin(), file_paths_.begin() + static_cast<std::ptrdiff_t>(std::min(lines, file_paths_.size()))};
}

void FileList::Chk_FullPath_Click() {
  // The slots are only read: with no lines, none is touched, even before
  // the first file ever arrived.
  const int lines = controls_.list_file.ListCount();
  const int full_path = controls_.chk_full_path.Value();
  controls_.list_file.Clear();
  for (int k = 0; k < lines; ++k) {
    controls_.list_file.AddItem(DisplayForm(file_paths_[static_cast<std::size_t>(k)], full_path));
  }
}

void FileList::But_Clear_Click() {
  controls_.but_out.SetEnabled(false);
  controls_.list_file.Clear();
  reset_progress_();
}

void FileList::List_File_DeleteKey() {
  const int line = controls_.list_file.ListIndex();
  if (line < 0) return;
  file_paths_.erase(file_paths_.begin() + line);
  controls_.list_file.RemoveItem(line);
  const int lines = controls_.list_file.ListCount();
  if (lines == 0) {
    controls_.but_out.SetEnabled(false);
  } else {
    controls_.list_file.SetListIndex(std::min(line, lines - 1));
  }
}

void FileList::TakeDroppedFiles(const std::vector<std::string>& paths) {
  const bool add = controls_.chk_add.Value() != 0;
  const auto listed = static_cast<std::size_t>(controls_.list_file.ListCount());
  if (!FitsInList((add ? listed : 0) + paths.size())) return;

  if (controls_.form.State() == platform::WindowState::Minimized) {
    controls_.form.SetState(platform::WindowState::Normal);
  }
  if (add) {
    file_paths_.resize(listed + paths.size() + 1);
  } else {
    controls_.list_file.Clear();
    file_paths_.assign(paths.size() + 1, std::string());
  }
  for (const auto& path : paths) AddFileItem(path);
  controls_.but_out.SetEnabled(true);
  reset_progress_();
}

void FileList::TakeCommandLineFiles(const std::string& argument_text) {
  TakeCommandLinePaths(SplitArgumentText(argument_text));
}

void FileList::TakeCommandLinePaths(std::vector<std::string> paths) {
  if (paths.empty()) return;
  const auto listed = static_cast<std::size_t>(controls_.list_file.ListCount());
  if (!FitsInList(listed + paths.size())) return;
  file_paths_.reserve(listed + paths.size());
  for (auto& path : paths) {
    file_paths_.resize(static_cast<std::size_t>(controls_.list_file.ListCount()) + 1);
    AddFileItem(std::move(path));
    controls_.but_out.SetEnabled(true);
  }
}

bool FileList::FitsInList(std::size_t lines) const {
  if (lines <= kMaxListLines) return true;
  platform::ShowMessage("Too many files: the list holds at most " + std::to_string(kMaxListLines) +
                        " files, and these would make " + std::to_string(lines) +
                        ". The list was not changed.");
  return false;
}

}  // namespace filelist

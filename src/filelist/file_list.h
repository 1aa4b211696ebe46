// SPDX-License-Identifier: Apache-2.0
#pragma once
// The files to send, held twice in step: `FilePaths` keeps each full path as
// it was received, and the list box List_File shows one line per file, the
// full path or only the file name as the Full Path check box says. Line i
// and slot i always stand for the same file; the print job takes its paths
// from `FilePaths`, never from the lines shown.
#include <functional>
#include <string>
#include <vector>

namespace platform {
class CheckBox;
class CommandButton;
class Form;
class ListBox;
}  // namespace platform

namespace filelist {

// The window's controls the file list works on.
struct FileListControls {
  platform::Form& form;
  platform::ListBox& list_file;       // List_File
  platform::CheckBox& chk_full_path;  // Chk_FullPath
  platform::CheckBox& chk_add;        // Chk_add
  platform::CommandButton& but_out;   // But_Out, "Print"
};

class FileList {
 public:
  // `reset_progress` shows zero progress on the progress display; Clear and
  // every drop call it.
  FileList(const FileListControls& controls, std::function<void()> reset_progress);

  // Slot i is the full path of line i; slots at the line count and beyond
  // are left over from an earlier list and mean nothing.
  const std::vector<std::string>& FilePaths() const { return file_paths_; }
  // The full paths of the listed files only, line by line.
  std::vector<std::string> ListedPaths() const;

  // Appends one file: its path goes into the slot at the current line count,
  // which the caller has made sure exists, then its display form becomes the
  // last line. Enables nothing. Throws a run-time error when the slot is
  // missing or the list is full.
  void AddFileItem(std::string path);

  // Rebuilds every line in the display form Full Path now calls for.
  void Chk_FullPath_Click();

  // Disables Print, removes every line and resets the progress display.
  // The paths' slots are kept; later appends overwrite them.
  void But_Clear_Click();

  // Delete or Backspace on the list: the selected file leaves FilePaths and
  // the list together, and the selection moves to the line that took its
  // place (the new last line when it was the last). An emptied list
  // disables Print. No file selected: nothing changes.
  void List_File_DeleteKey();

  // A click on a line (or the print job's selection of one) changes nothing
  // but the selection.
  void List_File_Click() {}

  // A drop anywhere on the window. Add files clear: the dropped files take
  // the list's place; ticked: they are appended. Then Print is enabled and
  // the progress display reset, also for a drop without files. A minimized
  // window is first returned to its normal state. A drop that would take the
  // list past its line limit is refused with a message before anything
  // changes.
  void TakeDroppedFiles(const std::vector<std::string>& paths);

  // Start-up: appends each path and enables Print for each. No paths
  // change nothing. Paths that would take the list past its line limit are
  // refused with a message. The paths are moved into the list.
  void TakeCommandLinePaths(std::vector<std::string> paths);

  // Start-up where the command line is one text (Windows): its paths as
  // the tokenizers split it, taken as above.
  void TakeCommandLineFiles(const std::string& argument_text);

 private:
  // Whether `lines` lines fit in the list; if not the user is told.
  bool FitsInList(std::size_t lines) const;

  FileListControls controls_;
  std::function<void()> reset_progress_;
  std::vector<std::string> file_paths_;
};

}  // namespace filelist

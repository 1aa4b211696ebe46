// SPDX-License-Identifier: Apache-2.0
#pragma once
// The one window: its controls, start-up and shutdown, and the wiring
// between the subsystems that live below it.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/document_follower.h"
#include "app/job_runner.h"
#include "app/proportional_layout.h"
#include "filelist/file_list.h"
#include "platform/settings/settings_store.h"
#include "platform/spooler/spooler.h"
#include "platform/window/window.h"
#include "printing/print_job.h"
#include "printing/progress_display.h"

namespace app {

inline constexpr char kAppName[] = "Torvane";
inline constexpr char kSection[] = "InitVal";

// "1.0.3"
std::string VersionNumber();
// "Torvane   (Ver.1.0.3)"
std::string WindowCaption();

// Whether a restored window coordinate is used: at least 1 and strictly
// less than 0.8 of the screen's extent in the same direction.
bool CoordinateFitsScreen(std::int32_t value, float screen_twips);

// What the window needs from outside.
struct Services {
  platform::SettingsStore& settings;
  platform::Spooler& spooler;
  // The files named on the command line: where the system keeps it as one
  // text (Windows), that text, split by the tokenizers; elsewhere the paths
  // as the shell split them.
  std::variant<std::string, std::vector<std::string>> command_line;
};

class KelPrnPrint {
  // Declared first: the control references below bind to the form's controls.
  Services services_;
  platform::Form form_;

 public:
  explicit KelPrnPrint(Services services);
  ~KelPrnPrint();

  // Start-up: runs once, before the window is first shown.
  void Form_Load();
  void Show();

  // Event handlers.
  void Form_QueryUnload();
  void Form_Resize();
  void But_End_Click();
  // A close asked for from outside (a termination signal, the session's
  // end): nobody may be there to answer a message, so what fails while
  // closing is written to standard error instead.
  void CloseUnattended();
  void But_Out_Click();
  void TakeDroppedFiles(const std::vector<std::string>& paths);

  // The progress display's update; done = 0 resets it.
  void SetProgress(std::int64_t done, std::int64_t total);
  // Shows no progress yet: 0% and an empty bar.
  void ResetProgress() { SetProgress(0, 10); }

  platform::Form& Form() { return form_; }
  const LayoutTables& Layout() const { return layout_; }
  filelist::FileList& Files() { return files_; }
  bool JobRunning() const { return job_.Running(); }

  // The controls, by the names every part of the program uses.
  platform::PictureBox& Pict_Progress;
  std::array<platform::Label*, 2> Lb_per;
  platform::CheckBox& Chk_FullPath;
  platform::CheckBox& Chk_add;
  platform::CommandButton& But_Clear;
  platform::CommandButton& But_End;
  platform::ListBox& List_File;
  platform::ListBox& List_printer;
  platform::CommandButton& But_Out;
  platform::Label& Label2;
  std::array<platform::Label*, 3> Label1;
  platform::Label& Lb_Bar;

 private:
  // The print job's marks on the file list: line `index` only while it
  // holds `path`, the job's file.
  void MarkJobLine(std::size_t index, const std::string& path, bool selected);
  printing::ProgressControls Progress();

  void FillPrinterList();
  void RestoreCoordinate(const char* key, float screen, void (platform::Form::*set)(double));
  void RestoreCheckBox(const char* key, platform::CheckBox& box);

  LayoutTables layout_;
  filelist::FileList files_;
  std::string printer_list_failure_;  // why List_printer is empty
  std::optional<std::string> kept_printer_;  // ListIdx as read, when the printers could not be listed
  std::size_t job_files_ = 0;         // how many files the job last started sends
  // Raised when the window closes: a running job then stops.
  std::atomic<bool> closing_{false};
  bool unattended_close_ = false;
  // Follows the documents of past jobs; tells those that will not print.
  DocumentFollower follower_;
  // Last, so that it goes first: a running job ends before the rest of the
  // window goes.
  JobRunner job_;
};

}  // namespace app

// SPDX-License-Identifier: Apache-2.0
#pragma once
// The raw print job behind the Print button: each listed file goes to the
// chosen printer as one spooler document of one page, named after the
// file and holding its bytes unchanged, sent in chunks of at most 100000
// bytes while the window shows the progress and keeps handling its events.
// The job reaches the window only through PrintJobView, so the same job
// runs under the Qt window, from a console program and in tests.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/spooler/spooler.h"

namespace printing {

inline constexpr std::int64_t kChunkSize = 100000;

// The size of the next chunk when `remaining` bytes of a file are still to
// go: a full chunk unless fewer than a full chunk are left, so a file goes
// as full chunks followed by the remainder, and an empty file as one empty
// chunk.
std::int64_t NextChunkSize(std::int64_t remaining);

// A file, with why it did not go (or print).
struct NotSent {
  std::string path;
  std::string reason;
};

// What the job needs of the window. The job may run on a thread of its
// own while the window keeps handling its events, so the file list may be
// cleared or replaced meanwhile: the view decides, when it marks a line,
// whether that line still holds the file concerned.
class PrintJobView {
 public:
  virtual ~PrintJobView() = default;

  // Highlights line `index` of the file list while it holds `path`, the
  // file being sent; otherwise no line.
  virtual void SelectLine(std::size_t index, const std::string& path) = 0;
  // Clears the selected state of line `index` if it holds `path`.
  virtual void DeselectLine(std::size_t index, const std::string& path) = 0;
  // The progress display's update (done = 0 resets it).
  virtual void SetProgress(std::int64_t done, std::int64_t total) = 0;
  // Shows no progress yet: 0% and an empty bar (nothing done reads alike
  // of any total).
  void ResetProgress() { SetProgress(0, 10); }
  // A modal message box: this text, the title "Torvane", an OK button.
  virtual void ShowMessage(const std::string& text) = 0;
  virtual void SetPrintEnabled(bool enabled) = 0;
  // The file on line `index` went whole to the spooler as job `job_id`
  // (the spooler's id, for following the document). Nothing by default.
  virtual void DocumentSent(std::size_t index, const std::string& path, int job_id);
  // What the spooler told of that document beyond taking it. Nothing by
  // default.
  virtual void DocumentNote(std::size_t index, const std::string& path, const std::string& note);
  // Opening the printer failed; `reason` is the spooler's, empty when it
  // gave none. By default a message box that the printer is unknown, with
  // the reason below it.
  virtual void ShowPrinterUnusable(const std::string& printer_name, const std::string& reason);
  // The end of a job that did not send everything (`not_sent`, in list
  // order), or whose printer did not close. By default one message,
  // NotSentReport's; nothing when there is nothing to tell.
  virtual void ReportNotSent(const std::vector<NotSent>& not_sent, const platform::Status& closed);
  // True once the window has been asked to close: the job then stops after
  // the chunk in hand and returns, so that the window can close. Asked
  // from within the spooler's waits too, so it must answer at once.
  virtual bool StopRequested() const = 0;
};

// What the window hands over when Print is pressed.
struct PrintRequest {
  // The full paths of the listed files, in line order, taken when Print
  // was pressed: the job sends these even if the list changes meanwhile.
  std::vector<std::string> file_paths;
  // The printer list's selection index (below 0: none selected) and the
  // selected entry's text, the printer's device name.
  int printer_index = -1;
  std::string printer_name;
  // Why the printer list is empty, told when no printer is chosen.
  std::string printer_list_failure{};
  // Each file is printed this many times: by the spooler when it can, else
  // by sending it that many times.
  int copies = 1;
  // A document name of its own for the file at the same index; a file
  // without one (or with an empty one) is named after its path.
  std::vector<std::string> document_names{};
};

// A document the spooler took whole, to be followed to its end.
struct SentDocument {
  std::string path;
  int job_id = 0;  // the spooler's id of its job
  std::string printer_name;
};

enum class JobEnd {
  Refused,   // one of the checks before opening the printer failed
  Finished,  // every file had its turn
  Stopped,   // the window asked to close
};

struct PrintJobResult {
  JobEnd end = JobEnd::Refused;
  // Files whose document was not sent whole, in list order, with why;
  // after a stop, or once the spooler stopped answering, also the file in
  // progress and every file not reached.
  std::vector<NotSent> not_sent;
  // Files whose document the spooler took whole, in list order.
  std::vector<SentDocument> sent;
  // How closing the printer went.
  platform::Status closed;
};

// A list of files, each with why, under a heading for one file or for
// several: "These files were not sent:", a blank line, then
// "path — reason" a line. Empty when there are no files.
std::string FilesReport(const std::string& heading_one, const std::string& heading_many,
                        const std::vector<NotSent>& files);

// The message shown at the end of a job that did not send everything, or
// whose printer did not close; empty when there is nothing to tell.
std::string NotSentReport(const std::vector<NotSent>& not_sent, const platform::Status& closed);

// Runs the job for `request` on `spooler`, talking to the window through
// `view`. A document that cannot be sent whole is cancelled, so that
// nothing partial prints, and the job goes on with the next file, unless
// the spooler stopped answering: then nothing more is tried. At the end
// one message lists every file not sent. Returns after the printer is
// closed, the highlight cleared and Print enabled again.
PrintJobResult RunPrintJob(PrintJobView& view, platform::Spooler& spooler, const PrintRequest& request);

}  // namespace printing

#include "printing/print_job.h"

#include <memory>

#include "platform/path_name.h"
#include "platform/printer.h"
#include "printing/file_reader.h"

namespace printing {
namespace {

// An em dash between blanks, spelt out in UTF-8 whatever the compiler's
// source character set.
constexpr char kDash[] = " \xE2\x80\x94 ";

std::string Because(const std::string& what, const platform::SpoolResult& result) {
  return result.reason.empty() ? what : what + " (" + result.reason + ")";
}

// A designed message with the reason for it on a paragraph of its own.
std::string WithReason(const std::string& message, const std::string& reason) {
  return reason.empty() ? message : message + "\n\n" + reason;
}

std::string OfBytes(std::int64_t done, std::int64_t total) {
  return std::to_string(done) + " of " + std::to_string(total) + " bytes";
}

// One job's run over an open printer: the files in turn, each as one
// document, with one chunk buffer reused for all of them.
class Job {
 public:
  Job(PrintJobView& view, platform::Printer& printer)
      : view_(view), printer_(printer), buffer_(static_cast<std::size_t>(kChunkSize)) {}

  // Sends the file as one document named `document_name`; returns an empty
  // string when all of it was sent, otherwise why not (its document then
  // cancelled).
  std::string SendFile(const std::string& path, const std::string& document_name) {
    if (!unanswered_.empty()) return unanswered_;
    if (Over()) {
      stopped_ = true;
      return "not sent: the job was stopped before it";
    }
    FileReader file;
    std::int64_t length = 0;
    // Measuring and opening come before the document starts, so that a
    // file gone or locked since it was listed leaves no trace at the
    // spooler.
    if (auto why = file.Open(path, length); !why.empty()) return why;
    const auto started = printer_.StartDoc(document_name);
    if (!started) return Failed("the printer did not accept the document", started);
    if (auto why = SendDocument(file, length); !why.empty()) {
      // A spooler that stopped answering has given the document up itself.
      if (unanswered_.empty()) why += CancelDocument();
      return unanswered_.empty() ? why : unanswered_;
    }
    // Ending a document ends it either way: after a failure the printer has
    // removed what reached the spooler of it, or says why it could not.
    if (const auto r = printer_.EndDoc(); !r) return Failed("the printer did not finish the document", r);
    return {};
  }

  bool Stopped() const { return stopped_; }
  // Whether no further file is to be started.
  bool Over() const { return stopped_ || !unanswered_.empty() || view_.StopRequested(); }

 private:
  std::string SendDocument(FileReader& file, std::int64_t length) {
    view_.ResetProgress();
    std::int64_t sent = 0;
    // Every file gets at least one pass: an empty one shows 0% and writes
    // nothing.
    do {
      // The window may have asked to close in the last yield.
      if (view_.StopRequested()) return StoppedAfter(sent, length);
      const std::int64_t chunk = NextChunkSize(length - sent);
      // The whole chunk is read before any of it is written, so a file
      // that ends early never sends bytes that are not its own.
      std::string read_error;
      const auto got = static_cast<std::int64_t>(file.Read(buffer_.data(), static_cast<std::size_t>(chunk), read_error));
      if (!read_error.empty()) return "the file could not be read (" + read_error + ")";
      if (got < chunk) {
        return "the file became shorter while it was sent (only " + std::to_string(sent + got) + " of the " +
               std::to_string(length) + " bytes measured could be read)";
      }
      sent += chunk;
      view_.SetProgress(sent, length);
      if (auto why = WriteChunk(chunk, sent - chunk, length); !why.empty()) {
        // A stop cuts short a write that waits on the spooler.
        return view_.StopRequested() ? StoppedAfter(sent - chunk, length) : why;
      }
      view_.DoEvents();
    } while (sent < length);
    // Exactly the measured length goes; a file still growing is not the
    // file that was measured.
    if (file.HasMore()) return "the file grew while it was sent (it was " + std::to_string(length) + " bytes when measured)";
    return {};
  }

  // Hands the chunk in the buffer to the spooler, all of it.
  std::string WriteChunk(std::int64_t chunk, std::int64_t offset, std::int64_t length) {
    std::size_t taken = 0;
    const auto r = printer_.Write(buffer_.data(), static_cast<std::size_t>(chunk), taken);
    if (!r) return Failed("writing to the printer failed after " + OfBytes(offset + static_cast<std::int64_t>(taken), length), r);
    return {};
  }

  std::string StoppedAfter(std::int64_t sent, std::int64_t length) {
    stopped_ = true;
    return "not finished: the job was stopped after " + OfBytes(sent, length);
  }

  // Why a spooler call failed; a spooler that stopped answering gives the
  // one reason for every file from then on.
  std::string Failed(const std::string& what, const platform::SpoolResult& result) {
    if (!result.unanswered) return Because(what, result);
    unanswered_ = result.reason;
    return unanswered_;
  }

  std::string CancelDocument() {
    const auto r = printer_.CancelDoc();
    if (r) return {};
    return "; " + Failed("cancelling its document failed too, so part of it may print", r);
  }

  PrintJobView& view_;
  platform::Printer& printer_;
  std::vector<unsigned char> buffer_;
  bool stopped_ = false;
  std::string unanswered_;  // the spooler's reason once it stopped answering
};

}  // namespace

void PrintJobView::DocumentSent(std::size_t, const std::string&, int) {}

void PrintJobView::ShowPrinterUnusable(const std::string&, const std::string& reason) {
  ShowMessage(WithReason("The Printer Name you typed wasn't recognized.", reason));
}

std::int64_t NextChunkSize(std::int64_t remaining) { return remaining < kChunkSize ? remaining : kChunkSize; }

std::string FilesReport(const std::string& heading_one, const std::string& heading_many,
                        const std::vector<NotSent>& files) {
  if (files.empty()) return {};
  std::string text = (files.size() == 1 ? heading_one : heading_many) + "\n";
  for (const auto& file : files) text += "\n" + file.path + kDash + file.reason;
  return text;
}

std::string NotSentReport(const std::vector<NotSent>& not_sent, const std::string& close_failure) {
  std::string text = FilesReport("This file was not sent:", "These files were not sent:", not_sent);
  if (!close_failure.empty()) {
    if (!text.empty()) text += "\n\n";
    text += "The printer could not be closed (" + close_failure + ").";
  }
  return text;
}

PrintJobResult RunPrintJob(PrintJobView& view, platform::Spooler& spooler, const PrintRequest& request) {
  PrintJobResult result;
  if (request.file_paths.empty()) {
    view.ShowMessage("Please Drag & Drop a prn file.");
    return result;
  }
  if (request.printer_index < 0) {
    view.ShowMessage(WithReason("Please choose the Printer.", request.printer_list_failure));
    return result;
  }
  platform::SpoolResult opened;
  const auto printer =
      platform::Printer::Open(spooler, request.printer_name, [&view] { return view.StopRequested(); }, opened);
  if (!printer) {
    view.ShowPrinterUnusable(request.printer_name, opened.reason);
    return result;
  }
  view.SetPrintEnabled(false);

  const std::size_t file_count = request.file_paths.size();
  Job job(view, *printer);
  for (std::size_t index = 0; index < file_count; ++index) {
    const auto& path = request.file_paths[index];
    // Once stopped, or once the spooler stopped answering, every file left
    // is reported without being started.
    if (!job.Over()) view.SelectLine(index, path);
    const bool named = index < request.document_names.size() && !request.document_names[index].empty();
    const auto name = named ? request.document_names[index] : platform::FileNamePart(path);
    if (auto why = job.SendFile(path, name); !why.empty()) {
      result.not_sent.push_back({path, std::move(why)});
    } else {
      result.sent.push_back({path, printer->JobId(), request.printer_name});
      view.DocumentSent(index, path, printer->JobId());
    }
  }
  const bool stopped = job.Stopped() || view.StopRequested();

  if (const auto closed = printer->Close(); !closed) {
    result.close_failure = closed.reason.empty() ? "no reason given" : closed.reason;
  }
  view.DeselectLine(file_count - 1, request.file_paths.back());
  view.SetPrintEnabled(true);

  result.end = stopped ? JobEnd::Stopped : JobEnd::Finished;
  // A closing window is not held up by a message box.
  if (!stopped) {
    if (const auto report = NotSentReport(result.not_sent, result.close_failure); !report.empty()) {
      view.ShowMessage(report);
    }
  }
  return result;
}

}  // namespace printing

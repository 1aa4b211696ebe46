#include "printing/print_job.h"

#include <memory>

#include "platform/path_name.h"
#include "platform/spooler/printer.h"
#include "printing/file_reader.h"

namespace printing {
namespace {

using platform::Status;

// An em dash between blanks, spelt out in UTF-8 whatever the compiler's
// source character set.
constexpr char kDash[] = " \xE2\x80\x94 ";

constexpr char kStoppedBefore[] = "not sent: the job was stopped before it";

std::string Because(const std::string& what, const platform::Status& result) {
  return result.Reason().empty() ? what : what + " (" + result.Reason() + ")";
}

// A message with the reason for it on a paragraph of its own, so that the
// message reads alike whatever the spooler says.
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

  // Sends the file as one document named `document_name`: all of it, or
  // a failure saying why not (its document then cancelled).
  Status SendFile(const std::string& path, const std::string& document_name) {
    if (!Unanswered().IsOk()) return Unanswered();
    if (Over()) {
      stopped_ = true;
      return Status::Fail(kStoppedBefore);
    }
    FileReader file;
    std::int64_t length = 0;
    // Measuring and opening come before the document starts, so that a
    // file gone or locked since it was listed leaves no trace at the
    // spooler.
    if (auto opened = file.Open(path, length); !opened.IsOk()) return opened;
    const auto started = printer_.StartDoc(document_name);
    if (!started.IsOk()) return Failed("the printer did not accept the document", started);
    if (auto sent = SendDocument(file, length); !sent.IsOk()) {
      // A spooler that stopped answering has given the document up itself.
      if (Unanswered().IsOk()) sent = CancelDocument(sent);
      return Unanswered().IsOk() ? sent : Unanswered();
    }
    // Ending a document ends it either way: after a failure the printer has
    // removed what reached the spooler of it, or says why it could not.
    if (const auto r = printer_.EndDoc(); !r.IsOk()) return Failed("the printer did not finish the document", r);
    return Status::Ok();
  }

  bool Stopped() const { return stopped_; }
  // Whether no further file is to be started.
  bool Over() const { return stopped_ || !Unanswered().IsOk() || view_.StopRequested(); }

 private:
  // The printer remembers a spooler that stopped answering.
  const Status& Unanswered() const { return printer_.Unanswered(); }

  Status SendDocument(FileReader& file, std::int64_t length) {
    view_.ResetProgress();
    std::int64_t sent = 0;
    // Every file gets at least one pass: an empty one shows 0% and writes
    // nothing.
    do {
      // The window may have asked to close since the last chunk.
      if (view_.StopRequested()) return StoppedAfter(sent, length);
      const std::int64_t chunk = NextChunkSize(length - sent);
      // The whole chunk is read before any of it is written, so a file
      // that ends early never sends bytes that are not its own.
      std::size_t got = 0;
      if (auto read = file.Read(buffer_.data(), static_cast<std::size_t>(chunk), got); !read.IsOk()) {
        return Status::Fail("the file could not be read (" + read.Reason() + ")");
      }
      if (static_cast<std::int64_t>(got) < chunk) {
        return Status::Fail("the file became shorter while it was sent (only " +
                            std::to_string(sent + static_cast<std::int64_t>(got)) + " of the " +
                            std::to_string(length) + " bytes measured could be read)");
      }
      sent += chunk;
      view_.SetProgress(sent, length);
      if (auto written = WriteChunk(chunk, sent - chunk, length); !written.IsOk()) {
        // A stop cuts short a write that waits on the spooler.
        return view_.StopRequested() ? StoppedAfter(sent - chunk, length) : written;
      }
    } while (sent < length);
    // Exactly the measured length goes; a file still growing is not the
    // file that was measured.
    if (file.HasMore()) {
      return Status::Fail("the file grew while it was sent (it was " + std::to_string(length) +
                          " bytes when measured)");
    }
    // Bytes rewritten in place leave the length as it was, not the times.
    return file.Unchanged();
  }

  // Hands the chunk in the buffer to the spooler, all of it.
  Status WriteChunk(std::int64_t chunk, std::int64_t offset, std::int64_t length) {
    std::size_t taken = 0;
    const auto r = printer_.Write(buffer_.data(), static_cast<std::size_t>(chunk), taken);
    if (r.IsOk()) return r;
    const auto done = offset + static_cast<std::int64_t>(taken);
    return Failed("writing to the printer failed after " + OfBytes(done, length), r);
  }

  Status StoppedAfter(std::int64_t sent, std::int64_t length) {
    stopped_ = true;
    return Status::Fail("not finished: the job was stopped after " + OfBytes(sent, length));
  }

  // Why a spooler call failed; a spooler that stopped answering gives the
  // one reason for every file from then on.
  Status Failed(const std::string& what, const Status& result) {
    return result.IsTimedOut() ? result : Status::Fail(Because(what, result));
  }

  // Cancels the document that `failure` broke off; a cancel that fails too
  // is added to why.
  Status CancelDocument(const Status& failure) {
    const auto r = printer_.CancelDoc();
    if (r.IsOk()) return failure;
    const Status cancel = Failed("cancelling its document failed too, so part of it may print", r);
    return Status::Fail(failure.Reason() + "; " + cancel.Reason());
  }

  PrintJobView& view_;
  platform::Printer& printer_;
  std::vector<unsigned char> buffer_;
  bool stopped_ = false;
};

}  // namespace

void PrintJobView::DocumentSent(std::size_t, const std::string&, int) {}

void PrintJobView::DocumentNote(std::size_t, const std::string&, const std::string&) {}

void PrintJobView::ShowPrinterUnusable(const std::string&, const std::string& reason) {
  ShowMessage(WithReason("The Printer Name you typed wasn't recognized.", reason));
}

void PrintJobView::ReportNotSent(const std::vector<NotSent>& not_sent, const Status& closed) {
  if (const auto report = NotSentReport(not_sent, closed); !report.empty()) ShowMessage(report);
}

std::int64_t NextChunkSize(std::int64_t remaining) { return remaining < kChunkSize ? remaining : kChunkSize; }

std::string FilesReport(const std::string& heading_one, const std::string& heading_many,
                        const std::vector<NotSent>& files) {
  if (files.empty()) return {};
  std::string text = (files.size() == 1 ? heading_one : heading_many) + "\n";
  for (const auto& file : files) text += "\n" + file.path + kDash + file.reason;
  return text;
}

std::string NotSentReport(const std::vector<NotSent>& not_sent, const Status& closed) {
  std::string text = FilesReport("This file was not sent:", "These files were not sent:", not_sent);
  if (!closed.IsOk()) {
    if (!text.empty()) text += "\n\n";
    const std::string& reason = closed.Reason();
    text += "The printer could not be closed (" + (reason.empty() ? "no reason given" : reason) + ").";
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
  auto opened = platform::Printer::Open(spooler, request.printer_name, [&view] { return view.StopRequested(); });
  if (!opened.IsOk()) {
    // A stop while the printer was being opened: none of the files went.
    if (view.StopRequested()) {
      for (const auto& path : request.file_paths) result.not_sent.push_back({path, kStoppedBefore});
      result.end = JobEnd::Stopped;
      return result;
    }
    view.ShowPrinterUnusable(request.printer_name, opened.Outcome().Reason());
    return result;
  }
  const auto printer = std::move(*opened);
  view.SetPrintEnabled(false);
  const int sends = request.copies > 1 && !printer->PrintCopies(request.copies) ? request.copies : 1;

  const std::size_t file_count = request.file_paths.size();
  Job job(view, *printer);
  for (std::size_t index = 0; index < file_count; ++index) {
    const auto& path = request.file_paths[index];
    // Once stopped, or once the spooler stopped answering, every file left
    // is reported without being started.
    if (!job.Over()) view.SelectLine(index, path);
    const bool named = index < request.document_names.size() && !request.document_names[index].empty();
    const auto name = named ? request.document_names[index] : platform::FileNamePart(path);
    for (int send = 0; send < sends; ++send) {
      if (auto sent = job.SendFile(path, name); !sent.IsOk()) {
        result.not_sent.push_back({path, sent.Reason()});
        break;
      }
      result.sent.push_back({path, printer->JobId(), request.printer_name});
      view.DocumentSent(index, path, printer->JobId());
      if (const auto note = printer->DeliveryNote(); !note.empty()) view.DocumentNote(index, path, note);
    }
  }
  const bool stopped = job.Stopped() || view.StopRequested();

  result.closed = printer->Close();
  view.DeselectLine(file_count - 1, request.file_paths.back());
  view.SetPrintEnabled(true);

  result.end = stopped ? JobEnd::Stopped : JobEnd::Finished;
  // A closing window is not held up by a message box.
  if (!stopped) view.ReportNotSent(result.not_sent, result.closed);
  return result;
}

}  // namespace printing

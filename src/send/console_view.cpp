#include "send/console_view.h"

#include <algorithm>

#include "printing/progress_text.h"
#include "send/send_options.h"

namespace sender {

namespace {

// The length of the UTF-8 sequence at `at`, or 0 where none begins.
std::size_t SequenceLength(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  const std::size_t length = lead < 0x80                   ? 1
                             : lead >= 0xC2 && lead <= 0xDF ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
  if (at + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return 0;
  }
  return length;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

}  // namespace

std::string TerminalText(std::string_view text) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string shown;
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    const std::size_t length = SequenceLength(text, at);
    const bool c0 = length == 1 && (byte < 0x20 || byte == 0x7F);
    const bool c1 = length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0;
    if (length > 0 && !c0 && !c1) {
      shown.append(text.substr(at, length));
      at += length;
      continue;
    }
    for (const std::size_t end = at + (c1 ? 2 : 1); at < end; ++at) {
      const auto escaped = static_cast<unsigned char>(text[at]);
      shown += {'\\', 'x', kHex[escaped >> 4], kHex[escaped & 0xF]};
    }
  }
  return shown;
}

std::string ProgressLine(std::int64_t done, std::int64_t total, const std::string& file) {
  const auto text = printing::ComputeProgress(done, total).text;
  // The display's text ends with the percentage field and its sign.
  return text.substr(text.size() - 4) + " " + TerminalText(file);
}

std::string RequestIdLine(const std::string& printer_name, int job_id, const std::string& file) {
  const auto shown = TerminalText(file);
  return "request id is " + TerminalText(printer_name) + "-" + std::to_string(job_id) + " " +
         (file == kStandardInputShown ? shown : "(" + shown + ")");
}

ConsoleJobView::ConsoleJobView(std::vector<std::string> files, std::vector<std::string> paths,
                               std::string printer_name, std::ostream& out, std::ostream& err, bool progress,
                               bool request_ids, const std::atomic<bool>& stop)
    : files_(std::move(files)),
      paths_(std::move(paths)),
      printer_name_(std::move(printer_name)),
      out_(out),
      err_(err),
      progress_(progress),
      request_ids_(request_ids),
      stop_(stop) {}

void ConsoleJobView::SelectLine(std::size_t index, const std::string&) {
  EndLine();
  current_ = index;
  shown_.clear();
}

void ConsoleJobView::DeselectLine(std::size_t, const std::string&) { EndLine(); }

void ConsoleJobView::SetProgress(std::int64_t done, std::int64_t total) {
  if (!progress_) return;
  const auto line = ProgressLine(done, total, files_[current_]);
  // Written only for a new percentage: a large file makes thousands of
  // updates.
  if (line == shown_) return;
  shown_ = line;
  err_ << '\r' << line << std::flush;
  line_open_ = true;
}

void ConsoleJobView::DocumentSent(std::size_t index, const std::string&, int job_id) {
  // A file sent once per copy is still told once, by its first document.
  if (!request_ids_ || index + 1 == told_) return;
  told_ = index + 1;
  // On a terminal both streams share the screen: the progress line ends
  // first.
  EndLine();
  out_ << RequestIdLine(printer_name_, job_id, files_[index]) << '\n' << std::flush;
}

void ConsoleJobView::DocumentNote(std::size_t, const std::string& path, const std::string& note) {
  ReportFiles({{path, note}});
}

void ConsoleJobView::ShowMessage(const std::string& text) {
  EndLine();
  // The message's own line breaks stay; those inside a file's name do not.
  std::string shown = text;
  for (std::size_t i = 0; i < files_.size(); ++i) {
    if (const auto escaped = TerminalText(files_[i]); escaped != paths_[i]) ReplaceAll(shown, paths_[i], escaped);
  }
  for (std::size_t start = 0, end; start <= shown.size(); start = end + 1) {
    end = std::min(shown.find('\n', start), shown.size());
    err_ << TerminalText(std::string_view(shown).substr(start, end - start)) << '\n';
  }
  err_ << std::flush;
}

void ConsoleJobView::ShowPrinterUnusable(const std::string& printer_name, const std::string& reason) {
  const std::string origin = printer_origin_.empty() ? "" : " (from " + printer_origin_ + ")";
  ShowMessage(std::string(kProgramName) + ": printer \"" + printer_name + "\"" + origin + ": " +
              (reason.empty() ? "not recognized" : reason));
}

const std::string& ConsoleJobView::Shown(const std::string& path) {
  // Files are reported in list order: the search goes on from the last one
  // found, so that thousands of files reported take one pass, not one each.
  for (std::size_t k = 0; k < paths_.size(); ++k) {
    const std::size_t i = (shown_from_ + k) % paths_.size();
    if (paths_[i] != path) continue;
    shown_from_ = i;
    return files_[i];
  }
  return path;
}

void ConsoleJobView::ReportFiles(const std::vector<printing::NotSent>& files) {
  EndLine();
  for (const auto& file : files) {
    err_ << kProgramName << ": " << TerminalText(Shown(file.path)) << ": " << TerminalText(file.reason) << '\n';
  }
  err_ << std::flush;
}

void ConsoleJobView::ReportNotSent(const std::vector<printing::NotSent>& not_sent, const platform::Status& closed) {
  ReportFiles(not_sent);
  if (closed.IsOk()) return;
  const auto& reason = closed.Reason();
  ShowMessage(std::string(kProgramName) + ": printer \"" + printer_name_ + "\": could not be closed (" +
              (reason.empty() ? "no reason given" : reason) + ")");
}

void ConsoleJobView::EndLine() {
  if (!line_open_) return;
  err_ << '\n' << std::flush;
  line_open_ = false;
}

}  // namespace sender

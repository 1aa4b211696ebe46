#include "send/console_view.h"

#include "printing/progress_text.h"
#include "send/send_options.h"

namespace sender {

std::string ProgressLine(std::int64_t done, std::int64_t total, const std::string& file) {
  const auto text = printing::ComputeProgress(done, total).text;
  // The display's text ends with the percentage field and its sign.
  return text.substr(text.size() - 4) + " " + file;
}

ConsoleJobView::ConsoleJobView(std::vector<std::string> files, std::ostream& progress, std::ostream& messages,
                               bool terminal, const std::atomic<bool>& stop)
    : files_(std::move(files)), progress_(progress), messages_(messages), terminal_(terminal), stop_(stop) {}

void ConsoleJobView::SelectLine(std::size_t index) {
  EndLine();
  current_ = index;
  shown_.clear();
}

void ConsoleJobView::DeselectLine(std::size_t) { EndLine(); }

void ConsoleJobView::SetProgress(std::int64_t done, std::int64_t total) {
  const auto line = ProgressLine(done, total, files_[current_]);
  // A new line only for a new percentage: a large file makes thousands of
  // updates, and a log of them all would say nothing more.
  if (line == shown_) return;
  shown_ = line;
  if (terminal_) {
    progress_ << '\r' << line << std::flush;
    line_open_ = true;
  } else {
    progress_ << line << '\n' << std::flush;
  }
}

void ConsoleJobView::ShowMessage(const std::string& text) {
  EndLine();
  messages_ << text << '\n' << std::flush;
}

void ConsoleJobView::ShowPrinterUnusable(const std::string& printer_name, const std::string& reason) {
  ShowMessage(std::string(kProgramName) + ": printer \"" + printer_name + "\": " +
              (reason.empty() ? "not recognized" : reason));
}

void ConsoleJobView::EndLine() {
  if (!line_open_) return;
  progress_ << '\n' << std::flush;
  line_open_ = false;
}

}  // namespace sender

#include "send/console_view.h"

#include <iomanip>
#include <sstream>

namespace sender {

int ProgressPercent(std::int64_t done, std::int64_t total) {
  if (done == 0) return 0;
  if (done >= total) return 100;
  // done < total < 2^63 / 100 for any real file, so the product fits.
  return static_cast<int>(done * 100 / total);
}

std::string ProgressLine(int percent, const std::string& file) {
  std::ostringstream line;
  line << std::setw(3) << percent << "% " << file;
  return line.str();
}

ConsoleJobView::ConsoleJobView(std::vector<std::string> files, std::ostream& progress, std::ostream& messages,
                               bool terminal, const std::atomic<bool>& stop)
    : files_(std::move(files)), progress_(progress), messages_(messages), terminal_(terminal), stop_(stop) {}

void ConsoleJobView::SelectLine(std::size_t index) {
  EndLine();
  current_ = index;
  shown_percent_ = -1;
}

void ConsoleJobView::DeselectLine(std::size_t) { EndLine(); }

void ConsoleJobView::SetProgress(std::int64_t done, std::int64_t total) {
  const int percent = ProgressPercent(done, total);
  // A new line only for a new percentage: a large file makes thousands of
  // updates, and a log of them all would say nothing more.
  if (percent == shown_percent_ || current_ >= files_.size()) return;
  shown_percent_ = percent;
  const auto line = ProgressLine(percent, files_[current_]);
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

void ConsoleJobView::EndLine() {
  if (!line_open_) return;
  progress_ << '\n' << std::flush;
  line_open_ = false;
}

}  // namespace sender

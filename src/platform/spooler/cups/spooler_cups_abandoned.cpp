#include "platform/spooler/cups/spooler_cups_abandoned.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <utility>

#include "platform/spooler/cups/spooler_cups_connection.h"

namespace platform::cups {

namespace fs = std::filesystem;

constexpr std::size_t kMaxLines = 200;

std::filesystem::path AbandonedJobs::StateFile() {
  const char* state = std::getenv("XDG_STATE_HOME");
  const char* home = std::getenv("HOME");
  fs::path folder;
  if (state != nullptr && *state == '/') {
    folder = state;
  } else if (home != nullptr && *home == '/') {
    folder = fs::path(home) / ".local" / "state";
  } else {
    return {};
  }
  return folder / "torvane" / "abandoned-jobs";
}

AbandonedJobs::AbandonedJobs(fs::path file) : file_(std::move(file)) {}

void AbandonedJobs::Add(const AbandonedJob& job) {
  auto lines = Read();
  lines.push_back({ServerName(), job});
  // Lines of schedulers never reached again (a private one long gone) are
  // not kept for ever: the oldest go first.
  if (lines.size() > kMaxLines) lines.erase(lines.begin(), lines.end() - kMaxLines);
  Write(lines);
}

std::vector<AbandonedJob> AbandonedJobs::Take() {
  const std::string server = ServerName();
  std::vector<AbandonedJob> taken;
  std::vector<Line> kept;
  for (auto& line : Read()) {
    if (line.server == server) {
      taken.push_back(std::move(line.job));
    } else {
      kept.push_back(std::move(line));
    }
  }
  if (!taken.empty()) Write(kept);
  return taken;
}

// "server<TAB>queue<TAB>id" a line; a line that does not read so is dropped.
std::vector<AbandonedJobs::Line> AbandonedJobs::Read() const {
  if (file_.empty()) return in_memory_;
  std::vector<Line> lines;
  std::ifstream in(file_);
  for (std::string text; std::getline(in, text);) {
    std::istringstream fields(text);
    Line line;
    if (std::getline(fields, line.server, '\t') && std::getline(fields, line.job.queue, '\t') &&
        (fields >> line.job.id) && line.job.id > 0) {
      lines.push_back(std::move(line));
    }
  }
  return lines;
}

// Written whole and renamed into place, so that a reader never sees half a
// file. Two programs writing at once may lose a line: that job then stays
// held, as it would without this file.
void AbandonedJobs::Write(const std::vector<Line>& lines) {
  if (file_.empty()) {
    in_memory_ = lines;
    return;
  }
  std::error_code error;
  fs::create_directories(file_.parent_path(), error);
  const fs::path temporary = file_.string() + ".new";
  {
    std::ofstream out(temporary, std::ios::trunc);
    for (const auto& line : lines) out << line.server << '\t' << line.job.queue << '\t' << line.job.id << '\n';
    if (!out.flush()) return;
  }
  fs::rename(temporary, file_, error);
}

}  // namespace platform::cups

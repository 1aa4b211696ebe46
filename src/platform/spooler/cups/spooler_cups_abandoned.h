// SPDX-License-Identifier: Apache-2.0
#pragma once
// Jobs left at a scheduler that could not be cancelled: cupsd keeps such a
// job held, waiting for its document, for as long as nobody cancels it.
// They are kept in a small file in the user's state folder
// ($XDG_STATE_HOME/torvane/abandoned-jobs, ~/.local/state by default), one
// line each, so that the next contact with their scheduler cancels them,
// whichever program of this user makes it, in this run or a later one.
//
// The file is only a hint: a job named there is cancelled only once the
// scheduler shows it is still the one left (IsAsLeft). It is held to
// kMaxLines lines of at most kMaxLineBytes, lines older than kMaxAgeDays
// are dropped, and every change is made under a lock, so that programs
// writing at once lose no line.
#include <cups/cups.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::cups {

inline constexpr std::size_t kMaxLines = 200;
inline constexpr std::size_t kMaxLineBytes = 1024;
inline constexpr std::int64_t kMaxAgeDays = 30;

struct AbandonedJob {
  std::string queue;
  int id = 0;
  std::string name;   // the job's name, as it was created
  std::string owner;  // the user it was created as
};

// One line of the file: "server<TAB>queue<TAB>id<TAB>owner<TAB>written<TAB>name",
// `written` in seconds since 1970.
struct AbandonedLine {
  std::string server;
  std::int64_t written = 0;
  AbandonedJob job;
};
std::string FormatAbandonedLine(const AbandonedLine& line);
// Nothing for a line that does not read so, or names no job.
std::optional<AbandonedLine> ParseAbandonedLine(std::string_view text);

// Whether `attributes` (a Get-Job-Attributes answer) show `job` as it was
// left: its name, its owner and its queue, held while its document is still
// to come, nothing of it printed.
bool IsAsLeft(const AbandonedJob& job, ipp_t* attributes);

class AbandonedJobs {
 public:
  // The jobs in `file`; the user's state file by default. Without a place
  // for it (no home folder), the jobs are kept for this run only.
  explicit AbandonedJobs(std::filesystem::path file = StateFile());

  // Remembers a job of the configured scheduler.
  void Add(const AbandonedJob& job);
  // Forgets the configured scheduler's jobs and returns them.
  std::vector<AbandonedJob> Take();

  static std::filesystem::path StateFile();

 private:
  // Runs `change` on the lines kept, under the lock, and writes them back
  // when it returns true. Without the lock (another program keeps it for
  // seconds), nothing is changed.
  void Update(const std::function<bool(std::vector<AbandonedLine>&)>& change);
  // The lines kept: the last kMaxLines that read as lines and are not too
  // old; `trimmed` tells whether the file held anything else.
  std::vector<AbandonedLine> Read(bool& trimmed) const;
  void Write(const std::vector<AbandonedLine>& lines) const;

  std::filesystem::path file_;
  std::vector<AbandonedLine> in_memory_;  // when there is no file
};

}  // namespace platform::cups

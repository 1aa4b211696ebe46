// SPDX-License-Identifier: Apache-2.0
#pragma once
// Jobs left at a scheduler that could not be cancelled: cupsd keeps such a
// job held, waiting for its document, for as long as nobody cancels it.
// They are kept in a small file in the user's state folder
// ($XDG_STATE_HOME/torvane/abandoned-jobs, ~/.local/state by default), one
// line each, so that the next contact with their scheduler cancels them,
// whichever program of this user makes it, in this run or a later one.
#include <filesystem>
#include <string>
#include <vector>

namespace platform::cups {

struct AbandonedJob {
  std::string queue;
  int id = 0;
};

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
  struct Line {
    std::string server;
    AbandonedJob job;
  };
  std::vector<Line> Read() const;
  void Write(const std::vector<Line>& lines);

  std::filesystem::path file_;
  std::vector<Line> in_memory_;  // when there is no file
};

}  // namespace platform::cups

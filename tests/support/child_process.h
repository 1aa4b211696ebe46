// SPDX-License-Identifier: Apache-2.0
#pragma once
// A program run by a test as a user would run it: its standard input
// empty or from a file, its output collected in files, and its end
// awaited with a limit.
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

struct Outcome {
  int status = -1;  // the exit status, or 128 + the signal that ended it
  std::string out, err;
};

std::string ReadAll(const std::filesystem::path& path);

class ChildProcess {
 public:
  // Starts `command` (the program's path first) in `folder`, where its
  // output goes too (.out, .err); its standard input is the file `input`.
  ChildProcess(std::vector<std::string> command, const std::filesystem::path& folder,
               const std::filesystem::path& input = "/dev/null");
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const { return pid_; }
  // Whether the program has set up a handler for `signal_number` (Linux).
  bool Catches(int signal_number) const;
  // How far the program has read `file`, which it holds open; -1 while it
  // does not (Linux).
  std::int64_t ReadOffset(const std::filesystem::path& file) const;
  // Waits for the end; a program still running after `limit` has hung,
  // which is a failure of its own (it is then killed).
  Outcome Wait(std::chrono::seconds limit = std::chrono::seconds(120));

 private:
  std::filesystem::path out_, err_;
  pid_t pid_ = 0;
};

}  // namespace testsupport

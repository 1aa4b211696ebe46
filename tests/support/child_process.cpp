#include "support/child_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "support/poll.h"

extern char** environ;

namespace testsupport {

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

ChildProcess::ChildProcess(std::vector<std::string> command, const std::filesystem::path& folder,
                           const std::filesystem::path& input)
    : out_(folder / ".out"), err_(folder / ".err") {
  std::vector<char*> argv;
  for (auto& arg : command) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << command[0] << ": " << std::strerror(spawned);
    pid_ = 0;
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ != 0) Wait();
}

bool ChildProcess::Catches(int signal_number) const {
  std::istringstream status(ReadAll("/proc/" + std::to_string(pid_) + "/status"));
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (signal_number - 1)) & 1;
  }
  return false;
}

std::int64_t ChildProcess::ReadOffset(const std::filesystem::path& file) const {
  const std::string process = "/proc/" + std::to_string(pid_);
  std::error_code error;
  const auto wanted = std::filesystem::canonical(file, error);
  for (const auto& fd : std::filesystem::directory_iterator(process + "/fd", error)) {
    if (std::filesystem::read_symlink(fd.path(), error) != wanted) continue;
    // Its first line: "pos:", then the offset.
    std::string key;
    std::int64_t offset = -1;
    std::istringstream(ReadAll(process + "/fdinfo/" + fd.path().filename().string())) >> key >> offset;
    return offset;
  }
  return -1;
}

Outcome ChildProcess::Wait(std::chrono::seconds limit) {
  Outcome outcome;
  if (pid_ == 0) return outcome;
  int status = 0;
  if (!PollUntil([&] { return waitpid(pid_, &status, WNOHANG) != 0; }, limit, std::chrono::milliseconds(5))) {
    ADD_FAILURE() << "the program did not end within " << limit.count() << " s";
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
  }
  pid_ = 0;
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  outcome.out = ReadAll(out_);
  outcome.err = ReadAll(err_);
  return outcome;
}

}  // namespace testsupport

#include "bench/senders.h"

#include <cups/cups.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "bench/measure.h"
#include "printing/print_job.h"

extern char** environ;

namespace bench {

const char* SenderName(Sender sender) {
  switch (sender) {
    case Sender::Job:
      return "program's job";
    case Sender::Bare:
      return "bare libcups";
    case Sender::Lp:
      return "lp -o raw";
  }
  return "?";
}

Run SendBare(const fs::path& file, const std::string& title) {
  Run run;
  std::vector<unsigned char> buffer(static_cast<std::size_t>(printing::kChunkSize));
  const double cpu_before = OwnCpuSeconds();
  const auto start = Clock::now();
  Fd in(file, O_RDONLY);
  http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 30000, nullptr);
  if (http == nullptr) Fail("bare sender: cannot connect");
  const int job = cupsCreateJob(http, kQueue, title.c_str(), 0, nullptr);
  if (job <= 0) Fail(std::string("bare sender: no job: ") + cupsLastErrorString());
  if (cupsStartDocument(http, kQueue, job, title.c_str(), CUPS_FORMAT_RAW, 1) != HTTP_STATUS_CONTINUE) {
    Fail(std::string("bare sender: document refused: ") + cupsLastErrorString());
  }
  while (const std::size_t n = ReadFull(in.Get(), buffer.data(), buffer.size())) {
    if (cupsWriteRequestData(http, reinterpret_cast<const char*>(buffer.data()), n) != HTTP_STATUS_CONTINUE) {
      Fail(std::string("bare sender: write failed: ") + cupsLastErrorString());
    }
  }
  if (cupsFinishDocument(http, kQueue) > IPP_STATUS_OK_EVENTS_COMPLETE) {
    Fail(std::string("bare sender: document not taken: ") + cupsLastErrorString());
  }
  httpClose(http);
  run.seconds = Seconds(Clock::now() - start);
  run.sender_cpu = OwnCpuSeconds() - cpu_before;
  return run;
}

Run SendWithLp(const fs::path& file, const std::string& title) {
  Run run;
  std::vector<std::string> words{"lp", "-d", kQueue, "-o", "raw", "-t", title, file.string()};
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  const auto start = Clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, "lp", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) Fail(std::string("cannot run lp: ") + std::strerror(spawned));
  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  run.seconds = Seconds(Clock::now() - start);
  run.sender_cpu = CpuSeconds(usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) Fail("lp failed (status " + std::to_string(status) + ")");
  return run;
}

}  // namespace bench

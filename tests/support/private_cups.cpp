#include "support/private_cups.h"

#include <cups/cups.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <system_error>

#include "support/child_process.h"
#include "support/poll.h"

namespace testsupport {
namespace {

namespace fs = std::filesystem;

constexpr auto kPollInterval = 20ms;

std::string StrError(int error) { return std::strerror(error); }

// Runs scripts/private-cupsd with `args` and returns its standard output
// without the final line break. Its standard error goes to the test's.
std::string RunScript(const std::vector<std::string>& args) {
  std::vector<std::string> command{TORVANE_PRIVATE_CUPSD};
  command.insert(command.end(), args.begin(), args.end());
  std::string output_folder = (fs::temp_directory_path() / "private-cupsd-run-XXXXXX").string();
  if (mkdtemp(output_folder.data()) == nullptr) throw std::runtime_error("mkdtemp: " + StrError(errno));
  Outcome outcome = ChildProcess(command, output_folder).Wait();
  fs::remove_all(output_folder);
  std::cerr << outcome.err;
  if (outcome.status != 0) {
    throw std::runtime_error("private-cupsd " + args.front() + " failed (status " + std::to_string(outcome.status) +
                             ")");
  }
  while (!outcome.out.empty() && outcome.out.back() == '\n') outcome.out.pop_back();
  return outcome.out;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A connection of the harness's own, so that its queries never disturb the
// connections of the code under test.
struct HttpCloser {
  void operator()(http_t* http) const { httpClose(http); }
};
using Http = std::unique_ptr<http_t, HttpCloser>;

Http Connect(const std::string& server) {
  Http http(httpConnect2(server.c_str(), ippPort(), nullptr, AF_UNSPEC,
                         HTTP_ENCRYPTION_IF_REQUESTED,
                         /*blocking=*/1, 5000, nullptr));
  if (!http) throw std::runtime_error("cannot connect to the private cupsd at " + server);
  return http;
}

std::unique_ptr<PrivateCups> shared_cups;

}  // namespace

std::ostream& operator<<(std::ostream& out, JobState state) {
  switch (state) {
    case JobState::Pending:
      return out << "pending";
    case JobState::Held:
      return out << "held";
    case JobState::Processing:
      return out << "processing";
    case JobState::Stopped:
      return out << "stopped";
    case JobState::Canceled:
      return out << "canceled";
    case JobState::Aborted:
      return out << "aborted";
    case JobState::Completed:
      return out << "completed";
  }
  return out << "state " << static_cast<int>(state);
}

PrivateCups::PrivateCups(const std::vector<std::string>& cupsd_conf) {
  std::string pattern = (fs::temp_directory_path() / "torvane-cups.XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot make a folder for the private cupsd: " + StrError(errno));
  }
  folder_ = pattern;
  try {
    // --owner: the scheduler ends with this process, even if it crashes.
    std::vector<std::string> args{"start", folder_.string(), "--owner", std::to_string(getpid())};
    for (const auto& line : cupsd_conf) {
      args.push_back("--conf");
      args.push_back(line);
    }
    server_ = RunScript(args);
  } catch (...) {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    throw;
  }
  server_setting_.emplace("CUPS_SERVER", server_);
  // The folder holds the lpoptions file that defines instances.
  server_root_setting_.emplace("CUPS_SERVERROOT", folder_.string());
  cupsSetServer(nullptr);  // libcups re-reads CUPS_SERVER
}

PrivateCups::~PrivateCups() {
  try {
    Stop();
  } catch (const std::exception& error) {
    ADD_FAILURE() << error.what();
  }
  server_setting_.reset();
  server_root_setting_.reset();
  cupsSetServer(nullptr);
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

fs::path PrivateCups::CaptureFolder(const std::string& queue) const {
  return folder_ / "out" / queue;
}

std::string PrivateCups::AddTestQueue(const std::string& suffix, const std::string& device_options) {
  std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name() + suffix;
  std::replace_if(name.begin(), name.end(), [](unsigned char c) { return !std::isalnum(c); }, '_');
  AddQueue(name, device_options);
  return name;
}

fs::path PrivateCups::AddQueue(const std::string& name, const std::string& device_options) {
  const fs::path out = CaptureFolder(name);
  fs::create_directories(out);
  RunScript({"add-queue", folder_.string(), name, out.string(), device_options});
  return out;
}

void PrivateCups::Disable(const std::string& queue, const std::string& reason) {
  if (ChildProcess({"/usr/sbin/cupsdisable", "-h", server_, "-r", reason, queue}, folder_).Wait().status != 0) {
    throw std::runtime_error("cannot disable " + queue);
  }
}

void PrivateCups::Enable(const std::string& queue) {
  if (ChildProcess({"/usr/sbin/cupsenable", "-h", server_, queue}, folder_).Wait().status != 0) {
    throw std::runtime_error("cannot enable " + queue);
  }
}

void PrivateCups::DeleteQueue(const std::string& name) {
  RunScript({"remove-queue", folder_.string(), name});
}

void PrivateCups::AddInstance(const std::string& queue, const std::string& instance) {
  {
    std::ofstream lpoptions(folder_ / "lpoptions", std::ios::app);
    lpoptions << "Dest " << queue << '/' << instance << '\n';
    if (!lpoptions) throw std::runtime_error("cannot write " + (folder_ / "lpoptions").string());
  }
  const Http http = Connect(server_);
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(http.get(), &dests);
  const bool found = cupsGetDest(queue.c_str(), instance.c_str(), count, dests) != nullptr;
  cupsFreeDests(count, dests);
  if (!found) {
    throw std::runtime_error("libcups does not see the instance " + queue + "/" + instance +
                             "; it read its settings before this server started");
  }
}

std::vector<SpoolerJob> PrivateCups::Jobs(const std::string& queue) const {
  const Http http = Connect(server_);
  cups_job_t* jobs = nullptr;
  const int count = cupsGetJobs2(http.get(), &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ALL);
  if (count < 0) {
    throw std::runtime_error("cannot list the jobs of " + queue + ": " + cupsLastErrorString());
  }
  std::vector<SpoolerJob> list;
  for (int i = 0; i < count; ++i) {
    list.push_back({jobs[i].id, jobs[i].title != nullptr ? jobs[i].title : "",
                    static_cast<JobState>(jobs[i].state), jobs[i].size});
  }
  cupsFreeJobs(count, jobs);
  std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.id < b.id; });
  return list;
}

std::vector<CapturedDocument> PrivateCups::Captured(const std::string& queue) const {
  std::vector<CapturedDocument> documents;
  for (const auto& entry : fs::directory_iterator(CaptureFolder(queue))) {
    const std::string name = entry.path().filename().string();
    // Hidden names are documents still being written.
    if (name.empty() || name[0] == '.' || !entry.is_regular_file()) continue;
    documents.push_back({std::atoi(name.c_str()), name, ReadFile(entry.path())});
  }
  std::sort(documents.begin(), documents.end(),
            [](const auto& a, const auto& b) { return a.job_id < b.job_id; });
  return documents;
}

std::optional<CapturedDocument> PrivateCups::WaitForDocument(
    const std::string& queue, int job_id, std::chrono::milliseconds timeout) const {
  std::optional<CapturedDocument> found;
  PollUntil(
      [&] {
        for (auto& document : Captured(queue)) {
          if (document.job_id == job_id) found = std::move(document);
        }
        return found.has_value();
      },
      timeout, kPollInterval);
  return found;
}

std::vector<SpoolerJob> PrivateCups::WaitForFinishedJobs(const std::string& queue,
                                                         std::chrono::milliseconds timeout) const {
  std::vector<SpoolerJob> jobs;
  PollUntil(
      [&] {
        jobs = Jobs(queue);
        return std::all_of(jobs.begin(), jobs.end(), [](const auto& job) { return job.Finished(); });
      },
      timeout, kPollInterval);
  return jobs;
}

void PrivateCups::Kill() { RunScript({"kill", folder_.string()}); }

void PrivateCups::Stop() { RunScript({"stop", folder_.string()}); }

void PrivateCups::Pause() { Signal(SIGSTOP); }

void PrivateCups::Resume() { Signal(SIGCONT); }

void PrivateCups::Signal(int signal_number) {
  const pid_t pid = std::stoi(RunScript({"pid", folder_.string()}));
  if (kill(pid, signal_number) != 0) {
    throw std::runtime_error("cannot signal cupsd " + std::to_string(pid) + ": " + StrError(errno));
  }
}

void PrivateCupsEnvironment::SetUp() {
  try {
    shared_cups = std::make_unique<PrivateCups>();
  } catch (const std::exception& error) {
    GTEST_FAIL() << "the private cupsd did not start: " << error.what();
  }
}

void PrivateCupsEnvironment::TearDown() { shared_cups.reset(); }

PrivateCups& PrivateCupsEnvironment::Cups() {
  if (!shared_cups) throw std::logic_error("no shared private cupsd has been started");
  return *shared_cups;
}

}  // namespace testsupport

// SPDX-License-Identifier: Apache-2.0
#pragma once
// A private CUPS scheduler for tests and benchmarks, run through
// scripts/private-cupsd in a temporary folder of its own. Its queues are
// raw and capture every job into a folder, one file per job, so a test can
// compare what reached the spooler byte for byte.
//
// Starting one points this process's libcups at it (CUPS_SERVER); ending it
// restores the previous setting, so servers nest like scopes.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "support/scoped_environment.h"

namespace testsupport {

using namespace std::chrono_literals;

// Long enough for a loaded machine; only reached when something is wrong.
inline constexpr std::chrono::milliseconds kSpoolerWait = 30s;

// A job's state, by its IPP value.
enum class JobState {
  Pending = 3,
  Held = 4,
  Processing = 5,
  Stopped = 6,
  Canceled = 7,
  Aborted = 8,
  Completed = 9,
};

// For readable test failures.
std::ostream& operator<<(std::ostream& out, JobState state);

struct SpoolerJob {
  int id = 0;
  std::string title;
  JobState state = JobState::Pending;
  int kilobytes = 0;  // of document data the scheduler received (rounded up)
  // Canceled, aborted or completed: the scheduler is done with it.
  bool Finished() const { return state >= JobState::Canceled; }
};

struct CapturedDocument {
  int job_id = 0;
  std::string file_name;  // <job-id>-<title, '/' and control characters as _>
  std::string bytes;
};

class PrivateCups {
 public:
  // Starts the scheduler and sets CUPS_SERVER to its socket. Each of
  // `cupsd_conf` is added to cupsd.conf ("MaxRequestSize 1m"). Throws
  // std::runtime_error when it does not start.
  explicit PrivateCups(const std::vector<std::string>& cupsd_conf = {});
  // Stops the scheduler, removes its folder, restores CUPS_SERVER.
  ~PrivateCups();
  PrivateCups(const PrivateCups&) = delete;
  PrivateCups& operator=(const PrivateCups&) = delete;

  const std::filesystem::path& Folder() const { return folder_; }
  // The CUPS_SERVER value: the scheduler's Unix socket.
  const std::string& Server() const { return server_; }

  // Adds a raw queue, enabled and accepting jobs; returns its capture
  // folder. `device_options` go into its device URI: "fail=1" makes every
  // job fail, with "capture: forced failure (exit 1)" as the printer's
  // state message, and end aborted.
  std::filesystem::path AddQueue(const std::string& name, const std::string& device_options = "");
  // Adds a raw queue of the running test's own, named after the test and
  // `suffix` (other characters than letters and digits as '_'); returns
  // its name.
  std::string AddTestQueue(const std::string& suffix = "", const std::string& device_options = "");
  // Stops the queue with `reason` as its state message, as cupsdisable -r.
  void Disable(const std::string& queue, const std::string& reason);
  // Starts the queue again, as cupsenable.
  void Enable(const std::string& queue);
  // Deletes a queue, as an administrator would (lpadmin -x).
  void DeleteQueue(const std::string& name);
  // Adds the instance queue/instance. libcups reads instances from the
  // settings folder it found when it first ran in this process, so this
  // works with the first server a test program starts; throws otherwise.
  void AddInstance(const std::string& queue, const std::string& instance);

  // Every job of the queue the scheduler remembers, finished ones too, by id.
  std::vector<SpoolerJob> Jobs(const std::string& queue) const;
  // The documents captured for the queue so far, by job id.
  std::vector<CapturedDocument> Captured(const std::string& queue) const;
  // The captured document of one job, once it is there; nothing after
  // `timeout`.
  std::optional<CapturedDocument> WaitForDocument(
      const std::string& queue, int job_id, std::chrono::milliseconds timeout = kSpoolerWait) const;
  // The queue's jobs once none of them is waiting or printing any more (at
  // most `timeout`, then as they are).
  std::vector<SpoolerJob> WaitForFinishedJobs(
      const std::string& queue, std::chrono::milliseconds timeout = kSpoolerWait) const;

  // Kills the scheduler at once (SIGKILL), as a crash would.
  void Kill();
  // Freezes the scheduler where it stands (SIGSTOP), as a hung server
  // would be, and lets it go on again (SIGCONT).
  void Pause();
  void Resume();
  // Stops the scheduler in order; nothing happens when it is not running.
  void Stop();

 private:
  std::filesystem::path CaptureFolder(const std::string& queue) const;
  // Sends a signal to this scheduler's process alone.
  void Signal(int signal_number);

  std::filesystem::path folder_;
  std::string server_;
  std::optional<ScopedEnvironment> server_setting_;
  std::optional<ScopedEnvironment> server_root_setting_;
};

// One private scheduler shared by all tests of a program:
//   const auto* const kCups =
//       ::testing::AddGlobalTestEnvironment(new testsupport::PrivateCupsEnvironment);
// Tests reach it through PrivateCupsEnvironment::Cups().
class PrivateCupsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override;
  void TearDown() override;
  static PrivateCups& Cups();
};

}  // namespace testsupport

// SPDX-License-Identifier: Apache-2.0
#pragma once
// A spooler that tells the watcher when each document's job is about to
// be made and once it is, so that the history says so before any byte of
// the document leaves.
// Everything else goes to the spooler within.
#include <functional>
#include <memory>
#include <string>

#include "platform/spooler/spooler.h"

namespace watch {

struct JobHooks {
  // Before the job is made; a failure keeps the document from starting.
  std::function<platform::Status()> before_job;
  // The job's id, once the spooler made it.
  std::function<void(int)> job_made;
};

std::unique_ptr<platform::Spooler> MakeRecordingSpooler(platform::Spooler& inner, JobHooks hooks);

}  // namespace watch

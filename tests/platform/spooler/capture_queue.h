// SPDX-License-Identifier: Apache-2.0
#pragma once
// The queue a contract case prints to, and the folder that receives its
// documents as files <job id>-<title>.
#include <filesystem>
#include <string>

namespace testsupport {

struct CaptureQueue {
  std::string name;
  std::filesystem::path folder;
};

// On CUPS a new queue of the private scheduler, named `name`; under Wine
// the one queue of with-private-cups, shared by every case (Wine's drive
// Z: is the Unix root).
CaptureQueue QueueForCase(const std::string& name);

}  // namespace testsupport

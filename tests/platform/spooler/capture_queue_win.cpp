// SPDX-License-Identifier: Apache-2.0
#include "platform/spooler/capture_queue.h"
#include "platform/environment.h"

namespace testsupport {

CaptureQueue QueueForCase(const std::string&) {
  return {platform::EnvironmentText("TORVANE_CAPTURE_QUEUE"),
          "Z:" + platform::EnvironmentText("TORVANE_CAPTURE_FOLDER")};
}

}  // namespace testsupport

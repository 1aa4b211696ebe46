// SPDX-License-Identifier: Apache-2.0
#include "platform/spooler/capture_queue.h"
#include "support/private_cups.h"

namespace testsupport {
namespace {

const auto* const kSharedCups = ::testing::AddGlobalTestEnvironment(new PrivateCupsEnvironment);

}  // namespace

CaptureQueue QueueForCase(const std::string& name) { return {name, PrivateCupsEnvironment::Cups().AddQueue(name)}; }

}  // namespace testsupport

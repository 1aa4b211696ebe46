// SPDX-License-Identifier: Apache-2.0
#pragma once
// Where a document sent to a CUPS queue stands, asked on a connection of
// its own under the stall limit.
#include <string>

#include "platform/spooler/spooler.h"

namespace platform::cups {

// Get-Job-Attributes for job `job_id` of `queue`, and while the job waits
// Get-Printer-Attributes; `stop` (may be empty) cuts the waits short.
DocumentStatus AskDocumentStatus(const std::string& queue, int job_id, StopCheck stop);

}  // namespace platform::cups

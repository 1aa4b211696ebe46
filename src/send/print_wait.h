// SPDX-License-Identifier: Apache-2.0
#pragma once
// --wait: after the job, the documents sent are followed at the spooler
// until each has printed or failed, or the time given runs out.
#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "platform/spooler/printer.h"
#include "printing/print_job.h"

namespace sender {

// Asks the spooler about every document of `sent` not yet printed or
// failed, about every half second, until none is left, until
// `limit_seconds` have passed, or until `stop` is raised; returns the last
// answer for each, in the order of `sent`. Without a limit, documents that
// wait on a stopped printer, or are held until someone releases them, end
// the wait too once nothing else can move. A print server that has not
// answered for the stall limit ends it either way.
std::vector<platform::FollowUp> FollowSent(platform::Spooler& spooler,
                                           const std::vector<printing::SentDocument>& sent,
                                           std::optional<int> limit_seconds, const std::atomic<bool>& stop);

struct WaitVerdict {
  int status = 0;  // the exit status for what the wait found
  // The files not printed, each with "did not print: REASON" or "not
  // printed yet: STATE"; empty when every file printed.
  std::vector<printing::NotSent> unprinted;
};

// What `follows` (those of FollowSent) tell: the files that did not print
// with the printer's reason (status 1), then those not printed yet with
// their state and the printer's reason (status 3, unless some failed).
WaitVerdict JudgeWait(const std::vector<printing::SentDocument>& sent,
                      const std::vector<platform::FollowUp>& follows);

}  // namespace sender

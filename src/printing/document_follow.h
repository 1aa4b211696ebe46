#pragma once
// Following sent documents after their job: each is asked about until the
// spooler has a verdict on it. Only the documents that will not print are
// told; those printed drop out silently.
#include <string>
#include <vector>

#include "platform/spooler/spooler.h"
#include "printing/print_job.h"

namespace printing {

// Asks the spooler once about each of `followed`, in order, and keeps there
// only those still waiting. Returns those that will not print: cancelled
// or aborted, or waiting on a printer that has stopped, each with the
// printer's reason. Once `stop` returns true, the documents not yet asked
// stay followed.
std::vector<NotSent> FollowOnce(platform::Spooler& spooler, std::vector<SentDocument>& followed,
                                const platform::StopCheck& stop);

// The message listing documents that will not print.
std::string NotPrintedReport(const std::vector<NotSent>& not_printed);

}  // namespace printing

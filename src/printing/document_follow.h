// SPDX-License-Identifier: Apache-2.0
#pragma once
// Following sent documents after their job: each is asked about until the
// spooler has a verdict on it. Printed documents drop out silently; those
// that ended without printing are told, and so is, once, a document
// waiting on a stopped printer, which is still followed: it may yet print
// (told no more) or fail (told then).
#include <string>
#include <vector>

#include "platform/spooler/spooler.h"
#include "printing/print_job.h"

namespace printing {

struct FollowedDocument {
  SentDocument document;
  bool told_waiting = false;  // its wait on a stopped printer was told
};

// What a round of questions has to tell.
struct FollowNews {
  std::vector<NotSent> not_printed;  // ended without printing: cancelled or aborted
  std::vector<NotSent> waiting;      // newly found waiting on a stopped printer

  bool Empty() const { return not_printed.empty() && waiting.empty(); }
  void Add(const FollowNews& more);
};

// Asks the spooler once about each of `followed`, in order, and keeps there
// only those not ended yet. Each item of news carries the printer's (or the
// spooler's) reason. Once `stop` returns true, the documents not yet asked
// stay followed.
FollowNews FollowOnce(platform::Spooler& spooler, std::vector<FollowedDocument>& followed,
                      const platform::StopCheck& stop);

// The message telling the news: "These files did not print:" with those
// that ended, then "These files are waiting:" with the others.
std::string FollowReport(const FollowNews& news);

}  // namespace printing

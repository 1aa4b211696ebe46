// SPDX-License-Identifier: Apache-2.0
#pragma once
// One opened CUPS printer, or a printer's own IPP service reached by its
// address. A document is one job named after the document, holding one
// raw document (no filters, no page structure), streamed to the scheduler
// (or the printer) chunk by chunk as it is written, on the printer's own
// connection, so that it never shares it with other requests.
//
// An opened printer allows the scheduler one stretch of silence: once it
// has not answered for the stall limit, counted across calls and
// documents, the printer gives up on it and tries no further connection. A
// job it could not cancel then is remembered (spooler_cups_abandoned.h),
// and cancelled at the next contact with the scheduler. A printer reached
// by its address keeps no such list: it ends a job whose document never
// comes itself.
#include <cups/cups.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/spooler/spooler.h"
#include "platform/spooler/cups/spooler_cups_abandoned.h"
#include "platform/spooler/cups/spooler_cups_connection.h"

namespace platform::cups {


class CupsPort final : public PrinterPort {
 public:
  // `abandoned` is null for a printer reached by its address.
  CupsPort(Target target, StopCheck stop, std::shared_ptr<AbandonedJobs> abandoned);
  ~CupsPort() override;

  // Looks the printer up, and has the scheduler make its queue when it has
  // none yet (a printer it found on the network); an instance's saved
  // options (copies, ...) then
  // apply to its jobs. Jobs abandoned earlier are cancelled now that the
  // scheduler answers.
  Status Find(const std::string& instance, const std::string& printer_name);
  // Asks a printer reached by its address whether it is there and how
  // many copies of a document it prints itself.
  Status Reach();

  StatusOr<int> CreateJob(const std::string& job_name) override;
  Status Send(const void* data, std::size_t size, std::size_t& written) override;
  Status Finish() override;
  // Cancels the document's job, whatever its request's state. A request
  // still under way is cut off first: the scheduler then discards the
  // partial document, and nothing of it prints. A job that cannot be
  // cancelled now is cancelled at the next contact.
  Status Discard() override;
  Status Close() override;
  // As the job's "copies": the scheduler repeats the document; a printer
  // reached by its address does when it says it can print that many.
  bool PrintCopies(int copies) override;

 private:
  Status Connect();
  // Who takes the documents, in messages: the spooler, or the printer.
  std::string Receiver() const { return target_.IsQueue() ? "the spooler" : "the printer"; }
  // Has the scheduler make the queue of a destination found on the
  // network, and waits until it is ready.
  Status MakeQueue(const std::string& printer_name);
  // The scheduler has been silent for the stall limit: the document in
  // hand is left for the next contact to cancel, and the connection goes.
  Status GiveUp();
  // A request the scheduler refused, with `reason`; or, when it stayed
  // silent for the stall limit, the end of contact with it.
  Status Refused(std::string reason);
  // Abandons the request under way; the job is removed by Discard.
  Status Break(std::string reason);
  Status Cancel(const Target& target, int job_id);
  // Remembers the job to cancel at the next contact, on a queue.
  void Abandon(int job_id);
  // Cancels the jobs left behind earlier, while the scheduler answers. One
  // that is gone meanwhile needs no cancelling either.
  void CancelAbandoned();

  Target target_;
  int most_copies_ = 1;  // a printer reached by its address: its copies-supported
  StallWatch watch_;  // before http_: a connection's watch must outlive it
  Http http_;
  std::shared_ptr<AbandonedJobs> abandoned_;
  int num_options_ = 0;
  cups_option_t* options_ = nullptr;
  int job_id_ = 0;
  bool streaming_ = false;  // the document's request is under way
  std::string job_name_;
};

}  // namespace platform::cups

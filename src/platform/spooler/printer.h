// SPDX-License-Identifier: Apache-2.0
#pragma once
// The document protocol, the same over every spooler: documents go one
// after the other, StartDoc, Write..., EndDoc; or CancelDoc at any point
// after StartDoc, which removes the document so that nothing of it prints.
// The spooler's port (spooler.h) only does what it is told; the order of
// the calls, what a call out of order answers, and what becomes of a
// document that fails are decided here, once for all spoolers.
//
// EndDoc ends the document whether it succeeds or not; when it fails, what
// reached the spooler of that document is removed, and a removal that
// fails too is part of the answer. After a failed Write the document can
// only be ended (which then fails) or cancelled. Closing the printer with a
// document still open removes that document. Once the spooler stops
// answering, every later call fails at once with that reason.
#include <cstddef>
#include <memory>
#include <string>
#include <utility>

#include "platform/spooler/spooler.h"

namespace platform {

class Printer {
 public:
  // Opens the printer by its device name.
  static StatusOr<std::unique_ptr<Printer>> Open(Spooler& spooler, const std::string& printer_name, StopCheck stop);

  explicit Printer(std::unique_ptr<PrinterPort> port) : port_(std::move(port)) {}
  // A printer let go without Close still removes its open document and
  // closes its port; no one is left to hear how that went.
  ~Printer() { Close().IgnoreError(); }
  Printer(const Printer&) = delete;
  Printer& operator=(const Printer&) = delete;

  // A document of one page named after `document_name` (made a valid job
  // name).
  Status StartDoc(const std::string& document_name);
  // Hands all `size` bytes to the spooler, offering what it did not take
  // again; `written` receives how many it took before any failure.
  Status Write(const void* data, std::size_t size, std::size_t& written);
  Status EndDoc();
  Status CancelDoc();
  Status Close();
  // See PrinterPort::DeliveryNote.
  std::string DeliveryNote() const { return port_->DeliveryNote(); }
  // See PrinterPort::PrintCopies.
  bool PrintCopies(int copies) { return port_->PrintCopies(copies); }

  // The spooler's id of the document in hand, or of the last one started;
  // 0 before the first.
  int JobId() const { return job_id_; }
  // Ok until the spooler stops answering; then why, which every later call
  // gives at once.
  const Status& Unanswered() const { return unanswered_; }

 private:
  enum class State { NoDocument, Open, Broken, Closed };

  // Ok while a document is open and whole, else why not.
  Status DocumentOpen() const;
  // The document breaks with `failure`, or is given up with it when the
  // spooler stopped answering.
  Status Broken(Status failure);
  // Removes the document in hand; `failure`, with why the removal failed
  // too if so.
  Status Remove(Status failure);
  // Remembers a spooler that stopped answering; returns `result`.
  Status Noted(const Status& result);

  std::unique_ptr<PrinterPort> port_;
  State state_ = State::NoDocument;
  Status failure_;     // why the document in hand broke
  Status unanswered_;  // failed once the spooler stopped answering
  int job_id_ = 0;
};

// How a document sent to a printer fares, judged from the spooler's answer.
enum class Fate {
  Waiting,   // not printed yet, nothing wrong seen (or the spooler could not be asked)
  Printed,   // completed, or gone where the spooler forgets printed jobs
  Failed,    // cancelled (by anyone: the job cancels only what it does not send), aborted, or
              // gone where the spooler keeps ended jobs: removed, not known to have printed
  Stuck,     // waits on a printer that has stopped, or until someone releases it
};

struct FollowUp {
  Fate fate = Fate::Waiting;
  std::string reason;  // the printer's (or the spooler's) words, for Failed and Stuck
  DocumentStatus status;
};

// The reason given for a gone job where that is no sign of printing.
inline constexpr char kRemovedReason[] = "removed from the print queue before it was known to print";

inline constexpr char kHeldReason[] = "held until someone releases it";

FollowUp Judge(const DocumentStatus& status);

// Asks the spooler where document `job_id` sent to `printer_name` stands;
// `stop` cuts a wait on the spooler short.
inline FollowUp FollowDocument(Spooler& spooler, const std::string& printer_name, int job_id, StopCheck stop = {}) {
  return Judge(spooler.DocumentStatusOf(printer_name, job_id, std::move(stop)));
}

}  // namespace platform

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

#include "platform/spooler.h"

namespace platform {

class Printer {
 public:
  // Opens the printer by its device name; null with `result` saying why.
  static std::unique_ptr<Printer> Open(Spooler& spooler, const std::string& printer_name, StopCheck stop,
                                       SpoolResult& result);

  explicit Printer(std::unique_ptr<PrinterPort> port) : port_(std::move(port)) {}
  ~Printer() { Close(); }
  Printer(const Printer&) = delete;
  Printer& operator=(const Printer&) = delete;

  // A document of one page named after `document_name` (made a valid job
  // name).
  SpoolResult StartDoc(const std::string& document_name);
  // Hands all `size` bytes to the spooler, offering what it did not take
  // again; `written` receives how many it took before any failure.
  SpoolResult Write(const void* data, std::size_t size, std::size_t& written);
  SpoolResult EndDoc();
  SpoolResult CancelDoc();
  SpoolResult Close();

  // The spooler's id of the document in hand, or of the last one started;
  // 0 before the first.
  int JobId() const { return job_id_; }

 private:
  enum class State { kNoDocument, kOpen, kBroken, kClosed };

  // Ok while a document is open and whole, else why not.
  SpoolResult DocumentOpen() const;
  // The document breaks with `failure`, or is given up with it when the
  // spooler stopped answering.
  SpoolResult Broken(SpoolResult failure);
  // Removes the document in hand; `failure`, with why the removal failed
  // too if so.
  SpoolResult Remove(SpoolResult failure);
  // Remembers a spooler that stopped answering; returns `result`.
  SpoolResult Noted(const SpoolResult& result);

  std::unique_ptr<PrinterPort> port_;
  State state_ = State::kNoDocument;
  SpoolResult failure_;     // why the document in hand broke
  SpoolResult unanswered_;  // failed once the spooler stopped answering
  int job_id_ = 0;
};

// How a document sent to a printer fares, judged from the spooler's answer.
enum class Fate {
  kWaiting,   // not printed yet, nothing wrong seen (or the spooler could not be asked)
  kPrinted,   // completed, or gone from the queue: spoolers drop printed jobs
  kFailed,    // cancelled (by anyone: the job cancels only what it does not send) or aborted
  kStuck,     // waits on a printer that has stopped
};

struct FollowUp {
  Fate fate = Fate::kWaiting;
  std::string reason;  // the printer's (or the spooler's) words, for kFailed and kStuck
  DocumentStatus status;
};

FollowUp Judge(const DocumentStatus& status);

// Asks the spooler where document `job_id` sent to `printer_name` stands;
// `stop` cuts a wait on the spooler short.
inline FollowUp FollowDocument(Spooler& spooler, const std::string& printer_name, int job_id, StopCheck stop = {}) {
  return Judge(spooler.DocumentStatusOf(printer_name, job_id, std::move(stop)));
}

}  // namespace platform

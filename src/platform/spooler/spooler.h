// SPDX-License-Identifier: Apache-2.0
#pragma once
// The print spooler seam: the operations a raw print job needs, each
// reporting success or failure with the spooler's reason. One
// implementation per platform (CUPS on Linux and macOS, winspool on
// Windows), chosen when building.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/spooler/stall_watch.h"
#include "platform/status.h"

namespace platform {

// One opened printer as its spooler sees it: the few calls a document
// needs, nothing more. platform::Printer (printer.h) keeps the order of
// the calls, their states and messages; a port may take them to be called
// in order: CreateJob, Send..., Finish; Discard after CreateJob for a
// document that is not to print; Close once, last.
//
// A timed-out result (Status::TimedOut) means the spooler stopped
// answering: the port has given up the document in hand itself, and is not
// called again but to be closed.
class PrinterPort {
 public:
  virtual ~PrinterPort() = default;

  // Starts the document's job (a raw document of one page, named
  // `job_name`, no output file); gives the spooler's id of it.
  virtual StatusOr<int> CreateJob(const std::string& job_name) = 0;
  // Hands `size` (> 0) bytes to the spooler; `written` receives how many
  // it took, which may be fewer than offered, even none. After a failure
  // the document can only be discarded.
  virtual Status Send(const void* data, std::size_t size, std::size_t& written) = 0;
  // Ends the document; when that fails, the document is to be discarded.
  // An empty document is refused, with kEmptyDocumentReason.
  virtual Status Finish() = 0;
  // Removes the document's job, whatever reached the spooler of it, so
  // that nothing of it prints.
  virtual Status Discard() = 0;
  virtual Status Close() = 0;
  // What to tell of the document just finished beyond that it went (a
  // printer that took it but did not end the connection); mostly empty.
  virtual std::string DeliveryNote() const { return {}; }
  // Has the spooler print each document `copies` times itself; false when
  // it cannot, and the caller sends each that many times instead.
  virtual bool PrintCopies(int copies) {
    static_cast<void>(copies);
    return false;
  }
};

inline constexpr char kEmptyDocumentReason[] = "the file is empty; the spooler does not accept an empty document";

// `failure`, with why removing its document failed too; unanswered when
// the removal went unanswered.
Status WithFailedRemoval(const Status& failure, const Status& removal);

// Where a sent document stands at the spooler.
enum class DocumentState { Pending, Held, Processing, Completed, Cancelled, Aborted, Gone };

// The spooler's answer about one document, for following it after it was
// sent.
struct DocumentStatus {
  DocumentState state = DocumentState::Gone;
  std::string reasons;          // the document's state reasons, comma separated
  std::string printer_message;  // the printer's state message for the document
  bool printer_stopped = false;  // the printer itself has stopped
  // Completed at the spooler, yet the printer never took the document.
  bool undelivered = false;
  std::string stopped_reason;    // why, in the spooler's (or an operator's) words
  bool held_until_released = false;  // held with no release time: prints only once released
  // Whether a job gone from the queue may have printed: a spooler that
  // forgets a job once it has printed (Windows') says so; one that keeps
  // ended jobs (CUPS) does not, as a job gone from it was removed (purged,
  // or its queue deleted) and is not known to have printed.
  bool gone_may_have_printed = false;
  Status asked;                  // fails when the spooler could not be asked
};

// The default printer, or why the spooler could not be asked for it.
struct DefaultPrinter {
  std::string name;  // the device name; empty when there is none
  Status asked;      // fails when the spooler could not be asked
};

// The installed printers, or why they could not be listed.
struct PrinterListing {
  std::vector<std::string> names;  // device names, in the platform's order
  Status listed;                   // fails when the spooler could not be asked
};

// How a printer stands, as a person looking at why documents wait wants it.
struct PrinterState {
  std::string state;    // "idle", "printing" or "stopped"
  std::string message;  // the printer's own words ("Out of paper"); may be empty
  std::string reasons;  // its state reasons, comma separated; empty when none
  Status asked;         // fails when the spooler could not be asked
};

class Spooler {
 public:
  virtual ~Spooler() = default;
  // Opens the printer by its device name. `stop` (may be empty) cuts short
  // the waits of this call and of every call on the printer.
  virtual StatusOr<std::unique_ptr<PrinterPort>> Open(const std::string& printer_name, StopCheck stop) = 0;
  // The installed printers' device names; with none, `listed` tells a
  // spooler that could not be asked from one that has no printers. Never
  // waits longer than the stall limit at a time, nor once `stop` (may be
  // empty) returns true.
  virtual PrinterListing PrinterNames(StopCheck stop) = 0;
  // Where the document sent as job `job_id` to the printer stands now.
  // Never waits longer than the stall limit, nor once `stop` (may be
  // empty) returns true.
  virtual DocumentStatus DocumentStatusOf(const std::string& printer_name, int job_id, StopCheck stop) = 0;
  // Why documents sent to `printer_name` cannot be followed once the
  // printer took them; empty when they can (DocumentStatusOf).
  virtual std::string Unfollowable(const std::string& printer_name) {
    static_cast<void>(printer_name);
    return {};
  }
  // How the printer stands now; waits as DocumentStatusOf.
  virtual PrinterState StateOfPrinter(const std::string& printer_name, StopCheck stop) {
    static_cast<void>(printer_name);
    static_cast<void>(stop);
    return {{}, {}, {}, Status::Fail("this spooler tells no printer's state")};
  }
  // The user's or the system's default printer; waits as PrinterNames.
  virtual DefaultPrinter DefaultPrinterName(StopCheck stop) = 0;
  // Talks to the print server `server` ("HOST" or "HOST:PORT") from now on,
  // instead of the configured one. Fails where the spooler cannot.
  virtual Status UsePrintServer(const std::string& server) {
    return Status::Fail("cannot use the print server " + server + ": this spooler has no print server to name");
  }
};

// The platform's own spooler.
std::unique_ptr<Spooler> MakeSystemSpooler();

}  // namespace platform

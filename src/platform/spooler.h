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

namespace platform {

struct SpoolResult {
  bool ok = true;
  std::string reason;  // the spooler's words when !ok
  // The spooler stopped answering: the connection has given up the
  // document in hand (it is removed once the spooler answers again), and
  // every later call on it fails the same way at once.
  bool unanswered = false;

  static SpoolResult Ok() { return {}; }
  static SpoolResult Fail(std::string why) { return {false, std::move(why), false}; }
  static SpoolResult Unanswered(std::string why) { return {false, std::move(why), true}; }
  explicit operator bool() const { return ok; }
};

// One opened printer. Documents go one after the other: StartDoc,
// StartPage, Write..., EndPage, EndDoc; or CancelDoc at any point after
// StartDoc, which removes the document so that nothing of it prints.
// The printer is closed when the object is destroyed (or by Close).
//
// EndDoc ends the document whether it succeeds or not; when it fails, what
// reached the spooler of that document has been removed. After a failed
// Write the document can only be ended (which then fails) or cancelled.
// Closing the printer with a document still open removes that document.
// A spooler may refuse an empty document (CUPS does): EndDoc then fails
// with that reason and leaves nothing behind.
class PrinterConnection {
 public:
  virtual ~PrinterConnection() = default;

  // A level-1 document with this name, no output file and no data type.
  virtual SpoolResult StartDoc(const std::string& document_name) = 0;
  virtual SpoolResult StartPage() = 0;
  // Hands `size` bytes to the spooler; `written` receives how many it took,
  // which may be fewer than offered (the caller writes the rest again).
  virtual SpoolResult Write(const void* data, std::size_t size, std::size_t& written) = 0;
  virtual SpoolResult EndPage() = 0;
  virtual SpoolResult EndDoc() = 0;
  virtual SpoolResult CancelDoc() = 0;
  virtual SpoolResult Close() = 0;
};

// Asked now and then while a call waits on the spooler, from the thread
// that made the call; once it returns true the wait ends and the call fails.
using StopCheck = std::function<bool()>;

// The installed printers, or why they could not be listed.
struct PrinterListing {
  std::vector<std::string> names;  // device names, in the platform's order
  std::string failure;             // empty when the spooler answered
};

class Spooler {
 public:
  virtual ~Spooler() = default;
  // Opens the printer by its device name; on failure `result` says why and
  // the pointer is empty. `stop` (may be empty) cuts short the waits of
  // this call and of every call on the printer.
  virtual std::unique_ptr<PrinterConnection> Open(const std::string& printer_name, StopCheck stop,
                                                  SpoolResult& result) = 0;
  // The installed printers' device names; with none, `failure` tells a
  // spooler that could not be asked from one that has no printers.
  virtual PrinterListing PrinterNames() = 0;
  // The device name of the user's or the system's default printer; empty
  // when there is none or the spooler cannot be asked.
  virtual std::string DefaultPrinterName() = 0;
};

// The platform's own spooler.
std::unique_ptr<Spooler> MakeSystemSpooler();

}  // namespace platform

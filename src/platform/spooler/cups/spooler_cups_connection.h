// SPDX-License-Identifier: Apache-2.0
#pragma once
// What the parts of the CUPS spooler share: a connection of this code's
// own to the configured scheduler (CUPS_SERVER, client.conf), the watch
// that gives up on a stalled scheduler, and the plain requests made on it.
#include <cups/cups.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/spooler/spooler.h"
#include "platform/spooler/stall_watch.h"
#include "platform/status.h"

namespace platform::cups {

bool IsIppError(ipp_status_t status);

// The configured scheduler as a user names it: a socket's path, or
// host:port.
std::string ServerName();

// `what`, with libcups's words for the call that just reported an error.
std::string LastCupsError(std::string_view what);

struct HttpClose {
  void operator()(http_t* http) const { httpClose(http); }
};
using Http = std::unique_ptr<http_t, HttpClose>;

// Where the requests about one printer go: a queue of the configured
// scheduler, or a printer's own IPP service reached by its address.
struct Target {
  std::string host;  // as httpConnect2 takes it: a name, an address, a socket's path
  int port = 0;
  http_encryption_t encryption = HTTP_ENCRYPTION_IF_REQUESTED;
  std::string printer_uri;
  std::string resource;  // the HTTP resource of its jobs' requests
  std::string format;    // the document format its documents go as
  std::string queue;     // the scheduler's queue; empty for a printer reached by its address
  std::string shown;     // how messages name it: "the print server HOST:PORT", or the address

  bool IsQueue() const { return !queue.empty(); }
  // The resource of requests that are not about one queue's jobs.
  std::string AskResource() const { return IsQueue() ? "/" : resource; }
};

// `queue` of the configured scheduler (CUPS_SERVER, client.conf).
Target SchedulerQueue(const std::string& queue);

// Connects `http` to `target`. Unlike libcups's shared default
// connection, it gives up on a server that stalls, and the name look-up,
// the connection and its encryption's handshake last the stall limit at
// most; `stop` (may be empty) cuts them short.
Status Connect(Http& http, const Target& target, const StopCheck& stop);
// Connects `http` to the configured scheduler.
inline Status ConnectToScheduler(Http& http, const StopCheck& stop) { return Connect(http, SchedulerQueue({}), stop); }

// A lookup on the scheduler through libcups's own requests (the list of
// destinations, the default printer): it puts what it found into its list
// of text.
using LookupCall = std::function<Status(http_t*, std::vector<std::string>& found)>;

// Runs `lookup` on a connection of its own to the scheduler, in a thread of
// its own, and gives what it found to `found`. libcups reads an answer that
// comes in pieces only when each wait may last the stall limit; meanwhile
// `stop` (may be empty) is asked here, from the calling thread, every watch
// period. A stop, or a scheduler silent for the stall limit, ends the call
// at once; the thread then ends on its own. `lookup` reads libcups's errors
// itself: libcups keeps them per thread.
Status Lookup(const StopCheck& stop, const LookupCall& lookup, std::vector<std::string>& found);

// The reason a lookup that `stop` ended gives.
inline constexpr char kLookupStopped[] = "the print server was not asked to the end: stopped";

// The request `operation` about `target`'s printer, as this user.
ipp_t* NewRequest(ipp_op_t operation, const Target& target);

using Response = std::unique_ptr<ipp_t, decltype(&ippDelete)>;

// The scheduler's answer to one request.
struct Answer {
  Response response{nullptr, &ippDelete};  // null when none came
  ipp_status_t status = IPP_STATUS_ERROR_INTERNAL;
  std::string message;  // the scheduler's words, or why no answer came

  bool Failed() const { return IsIppError(status); }
  // `what`, with the answer's words when it failed.
  std::string Why(std::string_view what) const;
};

// Sends `request` (freed here) to `resource` and reads the answer, as
// cupsDoRequest does, but the whole answer under the connection's watch:
// libcups reads a response's body giving up after one watch period without
// data, whatever the watch says, so a late answer would read as none.
Answer Exchange(http_t* http, ipp_t* request, const std::string& resource);
// The answer to the request already sent on `http` (a streamed document's).
Answer ReadAnswer(http_t* http);

// The printers and instances the scheduler and the user's lpoptions know.
class Destinations {
 public:
  explicit Destinations(http_t* http) { count_ = cupsGetDests2(http, &dests_); }
  ~Destinations() { cupsFreeDests(count_, dests_); }
  Destinations(const Destinations&) = delete;
  Destinations& operator=(const Destinations&) = delete;

  int Count() const { return count_; }
  const cups_dest_t& operator[](int index) const { return dests_[index]; }
  const cups_dest_t* Find(const std::string& name, const std::string& instance) const {
    return cupsGetDest(name.c_str(), instance.empty() ? nullptr : instance.c_str(), count_, dests_);
  }

 private:
  int count_ = 0;
  cups_dest_t* dests_ = nullptr;
};

// Right after an empty listing: whether it is empty because the scheduler
// could not be asked, rather than because it has no printers.
bool SchedulerNotAsked();

// Has libcups ask `watch` after every slice of a wait on `http` whether to
// go on waiting; bytes leaving the connection's buffers meanwhile are
// progress, so a scheduler (or printer) that reads slowly is waited for.
// `http` must not outlive the watch.
void Attach(http_t* http, StallWatch& watch);

}  // namespace platform::cups

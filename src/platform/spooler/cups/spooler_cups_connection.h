#pragma once
// What the parts of the CUPS spooler share: a connection of this code's
// own to the configured scheduler (CUPS_SERVER, client.conf), the watch
// that gives up on a stalled scheduler, and the plain requests made on it.
#include <cups/cups.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/spooler/spooler.h"
#include "platform/status.h"

namespace platform::cups {

bool IsIppError(ipp_status_t status);

// `what`, with libcups's words for the call that just reported an error.
std::string LastCupsError(std::string_view what);

struct HttpClose {
  void operator()(http_t* http) const { httpClose(http); }
};
using Http = std::unique_ptr<http_t, HttpClose>;

// Connects `http` to the configured scheduler. Unlike libcups's shared
// default connection, it gives up on a scheduler that stalls.
Status ConnectToScheduler(Http& http);

// Every wait on `http` ends after `seconds` without an answer.
void GiveUpAfter(http_t* http, double seconds);

// The scheduler's request `operation` about `queue`, as this user.
ipp_t* NewRequest(ipp_op_t operation, const std::string& queue);

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

// Watches the waits on the scheduler of one opened printer, or of one
// question about a document. libcups asks it after every watch period of a
// wait whether to go on waiting: not once the caller wants to stop, nor
// once the scheduler has been silent for the stall limit (60 s;
// TORVANE_STALL_SECONDS sets another) since it last answered.
class Watch {
 public:
  explicit Watch(StopCheck stop);

  // `http` must not outlive the watch.
  void Attach(http_t* http);
  // The scheduler answered: its silence, if any, is over.
  void Answered() { silent_since_.reset(); }
  // Whether the last wait went unanswered for a watch period or more.
  bool Silent() const { return silent_since_.has_value(); }
  bool Stalled() const { return stalled_; }
  bool StopRequested() const { return stop_ && stop_(); }
  std::string StallReason() const;

 private:
  using Clock = std::chrono::steady_clock;

  static int OnWait(http_t*, void* self);
  bool KeepWaiting();

  StopCheck stop_;
  double limit_;
  std::optional<Clock::time_point> silent_since_;
  bool stalled_ = false;
};

}  // namespace platform::cups

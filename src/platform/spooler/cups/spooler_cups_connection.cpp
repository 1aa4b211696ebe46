#include "platform/spooler/cups/spooler_cups_connection.h"

#include <sys/socket.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform::cups {
namespace {

constexpr int kConnectTimeoutMs = 30000;
// A scheduler that neither takes nor answers anything for this long is
// treated as gone, so that a stopped server cannot hang the caller.
constexpr double kStallTimeoutSeconds = 60.0;
// How often a wait on the scheduler looks at the stall limit and the stop
// request.
constexpr double kWatchSeconds = 0.1;

int GiveUpOnStall(http_t*, void*) { return 0; }

// Why connecting to `server` failed, right after the failing call. libcups
// gives every failed connect as "Host is down"; for a local socket that is
// not there, the file system's own answer says more.
std::string ConnectFailure(const char* server, int error) {
  std::string reason = std::string("cannot connect to the print server ") + server;
  if (server[0] != '/') reason += ':' + std::to_string(ippPort());
  struct stat socket_file;
  if (server[0] == '/' && stat(server, &socket_file) != 0) error = errno;
  if (error != 0) return reason + ": " + std::strerror(error);
  const char* text = cupsLastErrorString();  // a host name that does not resolve
  return text != nullptr && *text != '\0' ? reason + ": " + text : reason;
}

// The stall limit in seconds: TORVANE_STALL_SECONDS when it holds a
// positive number, else the default.
double StallLimitSeconds() {
  const char* text = std::getenv("TORVANE_STALL_SECONDS");
  if (text == nullptr) return kStallTimeoutSeconds;
  char* end = nullptr;
  const double seconds = std::strtod(text, &end);
  return end != text && *end == '\0' && seconds > 0 ? seconds : kStallTimeoutSeconds;
}

// The scheduler's address of a queue, for requests made on a connection
// of this code's own.
std::string PrinterUri(const std::string& queue) {
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                   queue.c_str());
  return uri;
}

}  // namespace

bool IsIppError(ipp_status_t status) { return status > IPP_STATUS_OK_EVENTS_COMPLETE; }

// libcups keeps the text of the last failure after later calls succeed, so
// its text is used only right after a call that reported an error. A text
// made from error number 0 ("Success") says nothing and is left out.
std::string LastCupsError(std::string_view what) {
  std::string reason(what);
  const char* text = cupsLastErrorString();
  if (IsIppError(cupsLastError()) && text != nullptr && *text != '\0' &&
      std::strcmp(text, std::strerror(0)) != 0) {
    reason += ": ";
    reason += text;
  }
  return reason;
}

Status ConnectToScheduler(Http& http) {
  // Made unconnected and connected here: when httpConnect2 connects itself,
  // its clean-up after a failure overwrites errno.
  const char* server = cupsServer();
  Http made(httpConnect2(server, ippPort(), nullptr, AF_UNSPEC, cupsEncryption(),
                         /*blocking=*/1, /*msec=*/0, nullptr));
  if (!made) return Status::Fail(ConnectFailure(server, 0));
  if (httpReconnect2(made.get(), kConnectTimeoutMs, nullptr) != 0) {
    return Status::Fail(ConnectFailure(server, httpError(made.get())));
  }
  GiveUpAfter(made.get(), kStallTimeoutSeconds);
  http = std::move(made);
  return Status::Ok();
}

void GiveUpAfter(http_t* http, double seconds) { httpSetTimeout(http, seconds, GiveUpOnStall, nullptr); }

ipp_t* NewRequest(ipp_op_t operation, const std::string& queue) {
  ipp_t* request = ippNewRequest(operation);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, PrinterUri(queue).c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  return request;
}

bool SchedulerNotAsked() { return IsIppError(cupsLastError()) && cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND; }

Watch::Watch(StopCheck stop) : stop_(std::move(stop)), limit_(StallLimitSeconds()) {}

void Watch::Attach(http_t* http) { httpSetTimeout(http, kWatchSeconds, &Watch::OnWait, this); }

std::string Watch::StallReason() const {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%g", limit_);
  return std::string("the print server stopped answering (nothing for ") + seconds + " s)";
}

int Watch::OnWait(http_t*, void* self) { return static_cast<Watch*>(self)->KeepWaiting() ? 1 : 0; }

bool Watch::KeepWaiting() {
  const auto now = Clock::now();
  // libcups asks first when the wait has lasted one period.
  if (!silent_since_) {
    silent_since_ = now - std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kWatchSeconds));
  }
  if (StopRequested()) return false;
  stalled_ = now - *silent_since_ >= std::chrono::duration<double>(limit_);
  return !stalled_;
}

}  // namespace platform::cups

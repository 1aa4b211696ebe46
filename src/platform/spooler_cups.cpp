// The spooler on CUPS, through libcups. A document is one CUPS job named
// after the document, holding one raw document (no filters, no page
// structure), streamed to the scheduler chunk by chunk as it is written.
//
// The scheduler is the one libcups is configured for (CUPS_SERVER,
// client.conf). Every request goes through a connection of this code's own
// that gives up on a stalled scheduler; each opened printer keeps one, so
// that a document being streamed never shares it with other requests.
//
// An opened printer allows the scheduler one stretch of silence: once it
// has not answered for the stall limit (60 s; TORVANE_STALL_SECONDS sets
// another), counted across calls and documents, the printer gives up on it
// and tries no further connection. A job it could not cancel then is
// remembered, and cancelled at the spooler's next contact with the
// scheduler: cupsd keeps such a job held, waiting for its document.
//
// A scheduler that goes away mid-document shows as a failed write (broken
// pipe), not as a fatal SIGPIPE: libcups ignores SIGPIPE when it sets up
// its first connection.
#include <cups/cups.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/spooler.h"

namespace platform {
namespace {

constexpr int kConnectTimeoutMs = 30000;
// A scheduler that neither takes nor answers anything for this long is
// treated as gone, so that a stopped server cannot hang the caller.
constexpr double kStallTimeoutSeconds = 60.0;
// How often a wait on the scheduler looks at the stall limit and the stop
// request.
constexpr double kWatchSeconds = 0.1;
constexpr int kSendBufferBytes = 1 << 20;
// Asking for the default printer is a single short request.
constexpr double kDefaultLookupSeconds = 10.0;

constexpr std::string_view kEmptyDocument =
    "the file is empty; the spooler does not accept an empty document";

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

int GiveUpOnStall(http_t*, void*) { return 0; }

struct HttpClose {
  void operator()(http_t* http) const { httpClose(http); }
};
using Http = std::unique_ptr<http_t, HttpClose>;

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

// A connection of its own to the configured scheduler (CUPS_SERVER,
// client.conf), or null with `reason`. Unlike libcups's shared default
// connection, it gives up on a scheduler that stalls.
Http ConnectToScheduler(std::string& reason) {
  // Made unconnected and connected here: when httpConnect2 connects itself,
  // its clean-up after a failure overwrites errno.
  const char* server = cupsServer();
  Http http(httpConnect2(server, ippPort(), nullptr, AF_UNSPEC, cupsEncryption(),
                         /*blocking=*/1, /*msec=*/0, nullptr));
  if (!http) {
    reason = ConnectFailure(server, 0);
    return nullptr;
  }
  if (httpReconnect2(http.get(), kConnectTimeoutMs, nullptr) != 0) {
    reason = ConnectFailure(server, httpError(http.get()));
    return nullptr;
  }
  httpSetTimeout(http.get(), kStallTimeoutSeconds, GiveUpOnStall, nullptr);
  return http;
}

// "name" or "name/instance".
std::string DestinationName(const cups_dest_t& dest) {
  std::string name = dest.name;
  if (dest.instance != nullptr) {
    name += '/';
    name += dest.instance;
  }
  return name;
}

// "name" or "name/instance"; printer names cannot hold a slash.
std::pair<std::string, std::string> SplitDestinationName(const std::string& printer_name) {
  const auto slash = printer_name.find('/');
  if (slash == std::string::npos) return {printer_name, {}};
  return {printer_name.substr(0, slash), printer_name.substr(slash + 1)};
}

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
bool SchedulerNotAsked() { return IsIppError(cupsLastError()) && cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND; }

// The stall limit in seconds: TORVANE_STALL_SECONDS when it holds a
// positive number, else the default.
double StallLimitSeconds() {
  const char* text = std::getenv("TORVANE_STALL_SECONDS");
  if (text == nullptr) return kStallTimeoutSeconds;
  char* end = nullptr;
  const double seconds = std::strtod(text, &end);
  return end != text && *end == '\0' && seconds > 0 ? seconds : kStallTimeoutSeconds;
}

// Watches the waits on the scheduler of one opened printer, or of one
// question about a document. libcups asks it
// after every kWatchSeconds of a wait whether to go on waiting: not once
// the caller wants to stop, nor once the scheduler has been silent for the
// stall limit since it last answered.
class Watch {
 public:
  explicit Watch(StopCheck stop) : stop_(std::move(stop)), limit_(StallLimitSeconds()) {}

  // `http` must not outlive the watch.
  void Attach(http_t* http) { httpSetTimeout(http, kWatchSeconds, &Watch::OnWait, this); }
  // The scheduler answered: its silence, if any, is over.
  void Answered() { silent_since_.reset(); }
  // Whether the last wait went unanswered for a watch period or more.
  bool Silent() const { return silent_since_.has_value(); }
  bool Stalled() const { return stalled_; }
  bool StopRequested() const { return stop_ && stop_(); }
  std::string StallReason() const {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", limit_);
    return std::string("the print server stopped answering (nothing for ") + seconds + " s)";
  }

 private:
  using Clock = std::chrono::steady_clock;

  static int OnWait(http_t*, void* self) { return static_cast<Watch*>(self)->KeepWaiting() ? 1 : 0; }

  bool KeepWaiting() {
    const auto now = Clock::now();
    // libcups asks first when the wait has lasted one period.
    if (!silent_since_) {
      silent_since_ = now - std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kWatchSeconds));
    }
    if (StopRequested()) return false;
    stalled_ = now - *silent_since_ >= std::chrono::duration<double>(limit_);
    return !stalled_;
  }

  StopCheck stop_;
  double limit_;
  std::optional<Clock::time_point> silent_since_;
  bool stalled_ = false;
};

struct AbandonedJob {
  std::string queue;
  int id = 0;
};
// Jobs whose cancelling failed, shared by a spooler and its printers.
using AbandonedJobs = std::shared_ptr<std::vector<AbandonedJob>>;

// The scheduler's address of a queue, for requests made on a connection
// of this code's own.
std::string PrinterUri(const std::string& queue) {
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                   queue.c_str());
  return uri;
}

ipp_t* NewRequest(ipp_op_t operation, const std::string& queue) {
  ipp_t* request = ippNewRequest(operation);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, PrinterUri(queue).c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  return request;
}

// Create-Job on `http` itself: cupsCreateJob would look the printer up
// again on a connection of its own, which knows nothing of the watch.
int CreateJobOn(http_t* http, const std::string& queue, const std::string& title, int num_options,
              cups_option_t* options) {
  ipp_t* request = NewRequest(IPP_OP_CREATE_JOB, queue);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, title.c_str());
  cupsEncodeOptions2(request, num_options, options, IPP_TAG_OPERATION);
  cupsEncodeOptions2(request, num_options, options, IPP_TAG_JOB);
  ipp_t* response = cupsDoRequest(http, request, ("/printers/" + queue).c_str());
  ipp_attribute_t* id = ippFindAttribute(response, "job-id", IPP_TAG_INTEGER);
  const int job_id = id != nullptr && !IsIppError(cupsLastError()) ? ippGetInteger(id, 0) : 0;
  ippDelete(response);
  return job_id;
}

// The values of a text or keyword attribute, comma separated; "none" says
// nothing.
std::string TextOf(ipp_t* response, const char* name) {
  std::string text;
  ipp_attribute_t* attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
  for (int i = 0; i < ippGetCount(attribute); ++i) {
    const char* value = ippGetString(attribute, i, nullptr);
    if (value == nullptr || *value == '\0' || std::strcmp(value, "none") == 0) continue;
    if (!text.empty()) text += ", ";
    text += value;
  }
  return text;
}

// Asks one request's attributes; null with `failure` when the scheduler did
// not answer with them.
using Response = std::unique_ptr<ipp_t, decltype(&ippDelete)>;
Response Ask(http_t* http, ipp_t* request, const std::vector<const char*>& attributes) {
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                static_cast<int>(attributes.size()), nullptr, attributes.data());
  Response response(cupsDoRequest(http, request, "/"), &ippDelete);
  if (IsIppError(cupsLastError())) response.reset();
  return response;
}

DocumentState StateOf(int ipp_job_state) {
  switch (ipp_job_state) {
    case IPP_JSTATE_HELD:
      return DocumentState::kHeld;
    case IPP_JSTATE_PROCESSING:
    case IPP_JSTATE_STOPPED:  // stopped with its printer
      return DocumentState::kProcessing;
    case IPP_JSTATE_CANCELED:
      return DocumentState::kCancelled;
    case IPP_JSTATE_ABORTED:
      return DocumentState::kAborted;
    case IPP_JSTATE_COMPLETED:
      return DocumentState::kCompleted;
    default:
      return DocumentState::kPending;
  }
}

class CupsPort final : public PrinterPort {
 public:
  CupsPort(std::string queue, StopCheck stop, AbandonedJobs abandoned)
      : queue_(std::move(queue)), watch_(std::move(stop)), abandoned_(std::move(abandoned)) {}

  ~CupsPort() override { Close(); }

  // Looks the printer up; an instance's saved options (copies, ...) then
  // apply to its jobs. Jobs abandoned earlier are cancelled now that the
  // scheduler answers.
  SpoolResult Find(const std::string& instance, const std::string& printer_name) {
    if (auto connected = Connect(); !connected) return connected;
    const Destinations destinations(http_.get());
    if (watch_.Stalled()) return GiveUp();
    const cups_dest_t* dest = destinations.Find(queue_, instance);
    if (dest == nullptr) {
      if (destinations.Count() == 0 && SchedulerNotAsked()) {
        return SpoolResult::Fail(LastCupsError("cannot list the printers of the spooler"));
      }
      return SpoolResult::Fail("the printer \"" + printer_name + "\" is not installed on the print server " +
                               cupsServer());
    }
    watch_.Answered();
    for (int i = 0; i < dest->num_options; ++i) {
      num_options_ = cupsAddOption(dest->options[i].name, dest->options[i].value, num_options_, &options_);
    }
    CancelAbandoned();
    return SpoolResult::Ok();
  }

  SpoolResult CreateJob(const std::string& job_name, int& job_id) override {
    if (auto connected = Connect(); !connected) return connected;
    job_name_ = job_name;
    job_id_ = CreateJobOn(http_.get(), queue_, job_name_, num_options_, options_);
    if (job_id_ <= 0) {
      job_id_ = 0;
      return Refused("the spooler did not create the job");
    }
    watch_.Answered();
    job_id = job_id_;
    return SpoolResult::Ok();
  }

  SpoolResult Send(const void* data, std::size_t size, std::size_t& written) override {
    written = 0;
    // The document starts with its first byte, so that an empty one never
    // reaches the scheduler (which would refuse it and hold the job).
    if (!streaming_) {
      const http_status_t started = cupsStartDocument(http_.get(), queue_.c_str(), job_id_, job_name_.c_str(),
                                                      CUPS_FORMAT_RAW, /*last_document=*/1);
      if (started != HTTP_STATUS_CONTINUE) return Break(LastCupsError("the spooler did not accept the document"));
      streaming_ = true;
    }
    const http_status_t status = cupsWriteRequestData(http_.get(), static_cast<const char*>(data), size);
    if (status != HTTP_STATUS_CONTINUE) return Break(LastCupsError("the spooler stopped taking the document"));
    watch_.Answered();
    written = size;
    return SpoolResult::Ok();
  }

  SpoolResult Finish() override {
    if (!streaming_) return SpoolResult::Fail(std::string(kEmptyDocument));
    const ipp_status_t status = cupsFinishDocument(http_.get(), queue_.c_str());
    if (IsIppError(status)) return Refused("the spooler did not take the document");
    watch_.Answered();
    streaming_ = false;
    job_id_ = 0;
    return SpoolResult::Ok();
  }

  // Cancels the document's job, whatever its request's state. A request
  // still under way is cut off first: the scheduler then discards the
  // partial document, and nothing of it prints. A job that cannot be
  // cancelled now is cancelled at the next contact.
  SpoolResult Discard() override {
    const int job_id = std::exchange(job_id_, 0);
    if (std::exchange(streaming_, false)) http_.reset();
    // libcups waits a second for the first answer to every request,
    // whatever the watch says: a scheduler that just left a wait
    // unanswered is not asked again when the caller wants to stop.
    if (watch_.Silent() && watch_.StopRequested()) {
      abandoned_->push_back({queue_, job_id});
      return SpoolResult::Fail("the job could not be cancelled: the print server is not answering");
    }
    SpoolResult result = Connect();
    if (result) {
      result = Cancel(queue_, job_id);
    } else {
      result.reason = "the job could not be cancelled: " + result.reason;
    }
    if (result) return result;
    abandoned_->push_back({queue_, job_id});
    return watch_.Stalled() ? GiveUp() : result;
  }

  SpoolResult Close() override {
    http_.reset();
    cupsFreeOptions(num_options_, options_);
    num_options_ = 0;
    options_ = nullptr;
    return SpoolResult::Ok();
  }

 private:
  SpoolResult Connect() {
    if (http_) return SpoolResult::Ok();
    std::string reason;
    http_ = ConnectToScheduler(reason);
    if (!http_) return SpoolResult::Fail(reason);
    watch_.Attach(http_.get());
    // With a timeout set, libcups waits until the socket is writable before
    // each write, which for a local socket means mostly drained: a larger
    // buffer keeps the scheduler fed meanwhile.
    const int buffer_bytes = kSendBufferBytes;
    setsockopt(httpGetFd(http_.get()), SOL_SOCKET, SO_SNDBUF, &buffer_bytes, sizeof buffer_bytes);
    return SpoolResult::Ok();
  }

  // The scheduler has been silent for the stall limit: the document in
  // hand is left for the next contact to cancel, and the connection goes.
  SpoolResult GiveUp() {
    if (job_id_ != 0) abandoned_->push_back({queue_, std::exchange(job_id_, 0)});
    http_.reset();
    streaming_ = false;
    return SpoolResult::Unanswered(watch_.StallReason());
  }

  // A request the scheduler refused, with its words; or, when it stayed
  // silent for the stall limit, the end of contact with it.
  SpoolResult Refused(std::string_view what) {
    if (watch_.Stalled()) return GiveUp();
    return SpoolResult::Fail(LastCupsError(what));
  }

  // Abandons the request under way; the job is removed by Discard.
  SpoolResult Break(std::string reason) {
    if (watch_.Stalled()) return GiveUp();
    streaming_ = false;
    http_.reset();
    return SpoolResult::Fail(std::move(reason));
  }

  SpoolResult Cancel(const std::string& queue, int job_id) {
    const ipp_status_t status = cupsCancelJob2(http_.get(), queue.c_str(), job_id, /*purge=*/0);
    if (IsIppError(status)) {
      SpoolResult failed = SpoolResult::Fail(LastCupsError("the job could not be cancelled"));
      http_.reset();
      return failed;
    }
    watch_.Answered();
    return SpoolResult::Ok();
  }

  // Cancels the jobs left behind earlier, while the scheduler answers. One
  // that is gone meanwhile needs no cancelling either.
  void CancelAbandoned() {
    auto& jobs = *abandoned_;
    while (!jobs.empty() && Connect()) {
      const AbandonedJob job = jobs.front();
      if (!Cancel(job.queue, job.id) && watch_.Stalled()) return;
      jobs.erase(jobs.begin());
    }
  }

  std::string queue_;
  Watch watch_;  // before http_: a connection's watch must outlive it
  Http http_;
  AbandonedJobs abandoned_;
  int num_options_ = 0;
  cups_option_t* options_ = nullptr;
  int job_id_ = 0;
  bool streaming_ = false;  // the document's request is under way
  std::string job_name_;
};

class CupsSpooler final : public Spooler {
 public:
  std::unique_ptr<PrinterPort> Open(const std::string& printer_name, StopCheck stop,
                                    SpoolResult& result) override {
    const auto [name, instance] = SplitDestinationName(printer_name);
    if (name.empty()) {
      result = SpoolResult::Fail("no printer name given");
      return nullptr;
    }
    auto printer = std::make_unique<CupsPort>(name, std::move(stop), abandoned_);
    result = printer->Find(instance, printer_name);
    if (!result) return nullptr;
    return printer;
  }

  PrinterListing PrinterNames() override {
    PrinterListing listing;
    const Http http = ConnectToScheduler(listing.failure);
    if (!http) return listing;
    const Destinations destinations(http.get());
    if (destinations.Count() == 0 && SchedulerNotAsked()) {
      listing.failure = LastCupsError("cannot list the printers of the print server " + std::string(cupsServer()));
      return listing;
    }
    auto& names = listing.names;
    names.reserve(static_cast<std::size_t>(destinations.Count()));
    for (int i = 0; i < destinations.Count(); ++i) names.push_back(DestinationName(destinations[i]));
    return listing;
  }

  // Get-Job-Attributes, and while the job waits Get-Printer-Attributes, on
  // a connection of their own under the stall limit.
  DocumentStatus DocumentStatusOf(const std::string& printer_name, int job_id, StopCheck stop) override {
    DocumentStatus status;
    const std::string queue = SplitDestinationName(printer_name).first;
    Http http = ConnectToScheduler(status.failure);
    if (!http) return status;
    Watch watch{std::move(stop)};
    watch.Attach(http.get());
    ipp_t* request = NewRequest(IPP_OP_GET_JOB_ATTRIBUTES, queue);
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job_id);
    const Response job = Ask(http.get(), request, {"job-state", "job-state-reasons", "job-printer-state-message"});
    if (!job) {
      if (cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND) return status;  // gone
      status.failure = watch.Stalled() ? watch.StallReason() : LastCupsError("the job's state could not be asked");
      return status;
    }
    status.state = StateOf(ippGetInteger(ippFindAttribute(job.get(), "job-state", IPP_TAG_ENUM), 0));
    status.reasons = TextOf(job.get(), "job-state-reasons");
    status.printer_message = TextOf(job.get(), "job-printer-state-message");
    if (status.state != DocumentState::kPending && status.state != DocumentState::kHeld &&
        status.state != DocumentState::kProcessing) {
      return status;
    }
    const Response printer = Ask(http.get(), NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, queue),
                                 {"printer-state", "printer-state-message", "printer-state-reasons"});
    if (!printer) {
      status.failure = watch.Stalled() ? watch.StallReason() : LastCupsError("the printer's state could not be asked");
      return status;
    }
    status.printer_stopped =
        ippGetInteger(ippFindAttribute(printer.get(), "printer-state", IPP_TAG_ENUM), 0) == IPP_PSTATE_STOPPED;
    if (status.printer_stopped) {
      status.stopped_reason = TextOf(printer.get(), "printer-state-message");
      if (status.stopped_reason.empty()) status.stopped_reason = TextOf(printer.get(), "printer-state-reasons");
    }
    return status;
  }

  // As lp finds it: LPDEST or PRINTER, the user's lpoptions default, then
  // the scheduler's.
  std::string DefaultPrinterName() override {
    std::string failure;
    const Http http = ConnectToScheduler(failure);
    if (!http) return {};
    httpSetTimeout(http.get(), kDefaultLookupSeconds, GiveUpOnStall, nullptr);
    cups_dest_t* dest = cupsGetNamedDest(http.get(), nullptr, nullptr);
    if (dest == nullptr) return {};
    std::string name = DestinationName(*dest);
    cupsFreeDests(1, dest);
    return name;
  }

 private:
  AbandonedJobs abandoned_ = std::make_shared<std::vector<AbandonedJob>>();
};

}  // namespace

std::unique_ptr<Spooler> MakeSystemSpooler() { return std::make_unique<CupsSpooler>(); }

}  // namespace platform

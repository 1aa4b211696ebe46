// The spooler on CUPS, through libcups. A document is one CUPS job named
// after the document, holding one raw document (no filters, no page
// structure), streamed to the scheduler chunk by chunk as it is written.
//
// The scheduler is the one libcups is configured for (CUPS_SERVER,
// client.conf). Every request goes through a connection of this code's own
// that gives up on a stalled scheduler; each opened printer keeps one, so
// that a document being streamed never shares it with other requests.
//
// A scheduler that goes away mid-document shows as a failed write (broken
// pipe), not as a fatal SIGPIPE: libcups ignores SIGPIPE when it sets up
// its first connection.
#include <cups/cups.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/job_name.h"
#include "platform/spooler.h"

namespace platform {
namespace {

constexpr int kConnectTimeoutMs = 30000;
// A scheduler that neither takes nor answers anything for this long is
// treated as gone, so that a stopped server cannot hang the caller.
constexpr double kStallTimeoutSeconds = 60.0;

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
  if (server[0] != '/') reason += ":" + std::to_string(ippPort());
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

class CupsConnection final : public PrinterConnection {
 public:
  CupsConnection(std::string queue, const cups_dest_t& dest, Http http)
      : queue_(std::move(queue)), http_(std::move(http)) {
    // An instance's saved options (copies, ...) apply to its jobs.
    for (int i = 0; i < dest.num_options; ++i) {
      num_options_ =
          cupsAddOption(dest.options[i].name, dest.options[i].value, num_options_, &options_);
    }
  }

  ~CupsConnection() override { Close(); }

  SpoolResult StartDoc(const std::string& document_name) override {
    if (state_ == State::kClosed) return SpoolResult::Fail("the printer is closed");
    if (state_ != State::kNoDocument) return SpoolResult::Fail("a document is already open");
    if (!http_) {
      std::string reason;
      http_ = ConnectToScheduler(reason);
      if (!http_) return SpoolResult::Fail(reason);
    }
    job_name_ = JobName(document_name);
    job_id_ = cupsCreateJob(http_.get(), queue_.c_str(), job_name_.c_str(), num_options_, options_);
    if (job_id_ <= 0) {
      job_id_ = 0;
      return SpoolResult::Fail(LastCupsError("the spooler did not create the job"));
    }
    state_ = State::kJobCreated;
    return SpoolResult::Ok();
  }

  // A raw document has no page structure: pages cost nothing.
  SpoolResult StartPage() override { return DocumentOpen(); }
  SpoolResult EndPage() override { return DocumentOpen(); }

  SpoolResult Write(const void* data, std::size_t size, std::size_t& written) override {
    written = 0;
    if (auto open = DocumentOpen(); !open) return open;
    if (size == 0) return SpoolResult::Ok();
    // The document starts with its first byte, so that an empty one never
    // reaches the scheduler (which would refuse it and hold the job).
    if (state_ == State::kJobCreated) {
      const http_status_t started = cupsStartDocument(http_.get(), queue_.c_str(), job_id_,
                                                      job_name_.c_str(), CUPS_FORMAT_RAW,
                                                      /*last_document=*/1);
      if (started != HTTP_STATUS_CONTINUE) {
        return Break(LastCupsError("the spooler did not accept the document"));
      }
      state_ = State::kStreaming;
    }
    const http_status_t status =
        cupsWriteRequestData(http_.get(), static_cast<const char*>(data), size);
    if (status != HTTP_STATUS_CONTINUE) {
      return Break(LastCupsError("the spooler stopped taking the document"));
    }
    written = size;
    return SpoolResult::Ok();
  }

  SpoolResult EndDoc() override {
    switch (state_) {
      case State::kNoDocument:
      case State::kClosed:
        return DocumentOpen();
      case State::kJobCreated:
        RemoveJob();
        return SpoolResult::Fail(std::string(kEmptyDocument));
      case State::kBroken: {
        SpoolResult failed = SpoolResult::Fail(failure_);
        RemoveJob();
        return failed;
      }
      case State::kStreaming:
        break;
    }
    const ipp_status_t status = cupsFinishDocument(http_.get(), queue_.c_str());
    if (IsIppError(status)) {
      SpoolResult failed =
          SpoolResult::Fail(LastCupsError("the spooler did not take the document"));
      RemoveJob();
      return failed;
    }
    state_ = State::kNoDocument;
    job_id_ = 0;
    return SpoolResult::Ok();
  }

  SpoolResult CancelDoc() override {
    if (state_ == State::kNoDocument || state_ == State::kClosed) return DocumentOpen();
    return RemoveJob();
  }

  SpoolResult Close() override {
    if (state_ == State::kClosed) return SpoolResult::Ok();
    SpoolResult result = SpoolResult::Ok();
    // A document left open is removed, never half printed.
    if (state_ != State::kNoDocument) result = RemoveJob();
    http_.reset();
    cupsFreeOptions(num_options_, options_);
    num_options_ = 0;
    options_ = nullptr;
    state_ = State::kClosed;
    return result;
  }

 private:
  enum class State {
    kNoDocument,
    kJobCreated,  // the job exists, no byte of its document sent yet
    kStreaming,   // the document's request is under way
    kBroken,      // the request failed; the job waits to be removed
    kClosed,
  };

  SpoolResult DocumentOpen() const {
    if (state_ == State::kClosed) return SpoolResult::Fail("the printer is closed");
    if (state_ == State::kNoDocument) return SpoolResult::Fail("no document is open");
    if (state_ == State::kBroken) return SpoolResult::Fail(failure_);
    return SpoolResult::Ok();
  }

  // Abandons the request under way; the job is removed later by EndDoc,
  // CancelDoc or Close.
  SpoolResult Break(std::string reason) {
    failure_ = std::move(reason);
    state_ = State::kBroken;
    http_.reset();
    return SpoolResult::Fail(failure_);
  }

  // Cancels the document's job, whatever its request's state. A request
  // still under way is cut off first: the scheduler then discards the
  // partial document, and nothing of it prints.
  SpoolResult RemoveJob() {
    const int job_id = std::exchange(job_id_, 0);
    if (state_ == State::kStreaming) http_.reset();
    state_ = State::kNoDocument;
    failure_.clear();
    if (!http_) {
      std::string reason;
      http_ = ConnectToScheduler(reason);
      if (!http_) return SpoolResult::Fail("the job could not be cancelled: " + reason);
    }
    const ipp_status_t status = cupsCancelJob2(http_.get(), queue_.c_str(), job_id, /*purge=*/0);
    if (IsIppError(status)) {
      http_.reset();
      return SpoolResult::Fail(LastCupsError("the job could not be cancelled"));
    }
    return SpoolResult::Ok();
  }

  std::string queue_;
  Http http_;
  int num_options_ = 0;
  cups_option_t* options_ = nullptr;
  State state_ = State::kNoDocument;
  int job_id_ = 0;
  std::string job_name_;
  std::string failure_;
};

class CupsSpooler final : public Spooler {
 public:
  std::unique_ptr<PrinterConnection> Open(const std::string& printer_name,
                                          SpoolResult& result) override {
    const auto [name, instance] = SplitDestinationName(printer_name);
    if (name.empty()) {
      result = SpoolResult::Fail("no printer name given");
      return nullptr;
    }
    std::string reason;
    Http http = ConnectToScheduler(reason);
    if (!http) {
      result = SpoolResult::Fail(reason);
      return nullptr;
    }
    const Destinations destinations(http.get());
    const cups_dest_t* dest = destinations.Find(name, instance);
    if (dest == nullptr) {
      if (destinations.Count() == 0 && SchedulerNotAsked()) {
        result = SpoolResult::Fail(LastCupsError("cannot list the printers of the spooler"));
      } else {
        result = SpoolResult::Fail("the printer \"" + printer_name +
                                   "\" is not installed on the print server " + cupsServer());
      }
      return nullptr;
    }
    result = SpoolResult::Ok();
    return std::make_unique<CupsConnection>(name, *dest, std::move(http));
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
    for (int i = 0; i < destinations.Count(); ++i) {
      std::string name = destinations[i].name;
      if (destinations[i].instance != nullptr) {
        name += '/';
        name += destinations[i].instance;
      }
      names.push_back(std::move(name));
    }
    return listing;
  }
};

}  // namespace

std::unique_ptr<Spooler> MakeSystemSpooler() { return std::make_unique<CupsSpooler>(); }

}  // namespace platform

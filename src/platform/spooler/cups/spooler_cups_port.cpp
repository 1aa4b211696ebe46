// SPDX-License-Identifier: Apache-2.0
// A scheduler that goes away mid-document shows as a failed write (broken
// pipe), not as a fatal SIGPIPE: libcups ignores SIGPIPE when it sets up
// its first connection.
#include "platform/spooler/cups/spooler_cups_port.h"

#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <thread>
#include <utility>

namespace platform::cups {
namespace {

constexpr int kSendBufferBytes = 1 << 20;

// The scheduler readies a queue made on demand in the background: it asks
// the printer what it supports, giving up on an unreachable one after
// 30 s. How long it gets, and how often it is asked meanwhile.
constexpr auto kQueueReadyLimit = std::chrono::seconds(45);
// Each listing looks for printers on the network for a quarter second
// only (libcups), which a busy machine may miss: one not listed is looked
// for again until this has passed.
constexpr auto kBrowseLimit = std::chrono::seconds(1);
constexpr auto kQueueReadyPoll = std::chrono::milliseconds(200);
// A busy printer is asked again after this many polls.
constexpr int kBusyRetrySlices = 5;

constexpr std::string_view kEmptyDocument =
    "the file is empty; the spooler does not accept an empty document";

// Create-Job on `http` itself: cupsCreateJob would look the printer up
// again on a connection of its own, which knows nothing of the watch.
Answer CreateJobOn(http_t* http, const Target& target, const std::string& title, int num_options,
                   cups_option_t* options) {
  ipp_t* request = NewRequest(IPP_OP_CREATE_JOB, target);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr, title.c_str());
  cupsEncodeOptions2(request, num_options, options, IPP_TAG_OPERATION);
  cupsEncodeOptions2(request, num_options, options, IPP_TAG_JOB);
  return Exchange(http, request, target.resource);
}

// Send-Document of the job's one document, its data to follow in chunks,
// as cupsStartDocument sends it, but to `target`.
http_status_t StartDocumentOn(http_t* http, const Target& target, int job_id, const std::string& title) {
  ipp_t* request = NewRequest(IPP_OP_SEND_DOCUMENT, target);
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job_id);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "document-name", nullptr, title.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr, target.format.c_str());
  ippAddBoolean(request, IPP_TAG_OPERATION, "last-document", 1);
  const http_status_t status = cupsSendRequest(http, request, target.resource.c_str(), CUPS_LENGTH_VARIABLE);
  ippDelete(request);
  return status;
}

// The printer state in a response; stopped when it holds none.
int PrinterStateIn(ipp_t* response) {
  ipp_attribute_t* state = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM);
  return state != nullptr ? ippGetInteger(state, 0) : IPP_PSTATE_STOPPED;
}

// The queue name at the end of the scheduler's address for a printer.
std::string QueueOf(ipp_t* response) {
  const char* uri = ippGetString(ippFindAttribute(response, "printer-uri-supported", IPP_TAG_URI), 0, nullptr);
  const char* slash = uri != nullptr ? std::strrchr(uri, '/') : nullptr;
  return slash != nullptr ? std::string(slash + 1) : std::string();
}

}  // namespace

CupsPort::CupsPort(Target target, StopCheck stop, std::shared_ptr<AbandonedJobs> abandoned)
    : target_(std::move(target)), watch_(std::move(stop)), abandoned_(std::move(abandoned)) {}

// Closing only lets go of the connection and the options: it cannot fail.
CupsPort::~CupsPort() { Close().IgnoreError(); }

Status CupsPort::Find(const std::string& instance, const std::string& printer_name) {
  // The destination's options, as name and value in turn.
  const auto find = [queue = target_.queue, instance, printer_name](http_t* http, std::vector<std::string>& options) {
    const auto browse_until = std::chrono::steady_clock::now() + kBrowseLimit;
    std::optional<Destinations> destinations;
    const cups_dest_t* dest = nullptr;
    while (dest == nullptr) {
      destinations.emplace(http);
      dest = destinations->Find(queue, instance);
      if (dest != nullptr) break;
      if (destinations->Count() == 0 && SchedulerNotAsked()) {
        return Status::Fail(LastCupsError("cannot list the printers of the print server " + ServerName()));
      }
      if (std::chrono::steady_clock::now() >= browse_until) {
        return Status::Fail("the printer \"" + printer_name + "\" is not installed on the print server " + cupsServer());
      }
    }
    for (int i = 0; i < dest->num_options; ++i) options.insert(options.end(), {dest->options[i].name, dest->options[i].value});
    return Status::Ok();
  };
  std::vector<std::string> options;
  if (auto found = Lookup(watch_.Stop(), find, options); !found.IsOk()) return found;
  for (std::size_t i = 0; i + 1 < options.size(); i += 2) {
    num_options_ = cupsAddOption(options[i].c_str(), options[i + 1].c_str(), num_options_, &options_);
  }
  if (auto connected = Connect(); !connected.IsOk()) return connected;
  // Only a destination with a queue has its address at the scheduler.
  if (cupsGetOption("printer-uri-supported", num_options_, options_) == nullptr) {
    if (auto made = MakeQueue(printer_name); !made.IsOk()) return made;
  }
  CancelAbandoned();
  return Status::Ok();
}

Status CupsPort::Reach() {
  if (auto connected = Connect(); !connected.IsOk()) return connected;
  ipp_t* ask = NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, target_);
  ippAddString(ask, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "copies-supported");
  const Answer asked = Exchange(http_.get(), ask, target_.resource);
  if (asked.Failed()) return Refused(asked.Why(target_.shown + " did not answer as an IPP printer"));
  watch_.Answered();
  ipp_attribute_t* copies = ippFindAttribute(asked.response.get(), "copies-supported", IPP_TAG_RANGE);
  if (copies != nullptr) ippGetRange(copies, 0, &most_copies_);
  return Status::Ok();
}

// What the destination API does for such a destination, on this
// printer's own connection so that the watch holds: CUPS-Create-Local-
// Printer, then waiting while the new queue is stopped, which it stays
// until the scheduler has learnt the printer's abilities.
Status CupsPort::MakeQueue(const std::string& printer_name) {
  const char* device_uri = cupsGetOption("device-uri", num_options_, options_);
  const std::string not_made = "the print server did not make a queue for the printer \"" + printer_name + "\"";
  if (device_uri == nullptr) return Status::Fail(not_made + ": it has no address");
  ipp_t* request = ippNewRequest(IPP_OP_CUPS_CREATE_LOCAL_PRINTER);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/");
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_URI, "device-uri", nullptr, device_uri);
  ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_NAME, "printer-name", nullptr, target_.queue.c_str());
  if (const char* info = cupsGetOption("printer-info", num_options_, options_)) {
    ippAddString(request, IPP_TAG_PRINTER, IPP_TAG_TEXT, "printer-info", nullptr, info);
  }
  // "Already exists" comes with the queue's address too: a queue made
  // earlier, which may have been stopped since and still takes documents.
  const Answer made = Exchange(http_.get(), request, "/");
  const std::string queue = QueueOf(made.response.get());
  int state = made.Failed() ? IPP_PSTATE_IDLE : PrinterStateIn(made.response.get());
  if (queue.empty()) return Refused(made.Why(not_made));
  watch_.Answered();
  target_ = SchedulerQueue(queue);
  const auto deadline = std::chrono::steady_clock::now() + kQueueReadyLimit;
  while (state == IPP_PSTATE_STOPPED) {
    if (watch_.StopRequested()) return Status::Fail(not_made + ": stopped while it was being made");
    if (std::chrono::steady_clock::now() >= deadline) {
      return Status::Fail(not_made + ": the printer did not answer it");
    }
    std::this_thread::sleep_for(kQueueReadyPoll);
    ipp_t* ask = NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, target_);
    ippAddString(ask, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "printer-state");
    const Answer asked = Exchange(http_.get(), ask, "/");
    if (asked.Failed()) return Refused(asked.Why(not_made));
    watch_.Answered();
    state = PrinterStateIn(asked.response.get());
  }
  return Status::Ok();
}

bool CupsPort::PrintCopies(int copies) {
  if (!target_.IsQueue() && copies > most_copies_) return false;
  num_options_ = cupsAddOption("copies", std::to_string(copies).c_str(), num_options_, &options_);
  return true;
}

StatusOr<int> CupsPort::CreateJob(const std::string& job_name) {
  if (auto connected = Connect(); !connected.IsOk()) return connected;
  job_name_ = job_name;
  // A printer busy with another job takes the next one once it is done
  // (many take one at a time): it is asked again while it says so, within
  // the stall limit.
  const auto busy_until = std::chrono::steady_clock::now() + std::chrono::duration<double>(StallLimitSeconds());
  Answer created = CreateJobOn(http_.get(), target_, job_name_, num_options_, options_);
  while (created.status == IPP_STATUS_ERROR_BUSY && std::chrono::steady_clock::now() < busy_until) {
    watch_.Answered();
    for (int slice = 0; slice < kBusyRetrySlices && !watch_.StopRequested(); ++slice) {
      std::this_thread::sleep_for(kQueueReadyPoll);
    }
    if (watch_.StopRequested()) break;
    created = CreateJobOn(http_.get(), target_, job_name_, num_options_, options_);
  }
  ipp_attribute_t* id = ippFindAttribute(created.response.get(), "job-id", IPP_TAG_INTEGER);
  job_id_ = created.Failed() || id == nullptr ? 0 : std::max(ippGetInteger(id, 0), 0);
  if (job_id_ == 0) return Refused(created.Why(Receiver() + " did not create the job"));
  watch_.Answered();
  return job_id_;
}

Status CupsPort::Send(const void* data, std::size_t size, std::size_t& written) {
  written = 0;
  // The document starts with its first byte, so that an empty one never
  // reaches the scheduler (which would refuse it and hold the job).
  if (!streaming_) {
    const http_status_t started = StartDocumentOn(http_.get(), target_, job_id_, job_name_);
    if (started != HTTP_STATUS_CONTINUE) return Break(LastCupsError(Receiver() + " did not accept the document"));
    streaming_ = true;
  }
  const http_status_t status = cupsWriteRequestData(http_.get(), static_cast<const char*>(data), size);
  if (status != HTTP_STATUS_CONTINUE) return Break(LastCupsError(Receiver() + " stopped taking the document"));
  watch_.Answered();
  written = size;
  return Status::Ok();
}

Status CupsPort::Finish() {
  if (!streaming_) return Status::Fail(std::string(kEmptyDocument));
  const Answer answer = ReadAnswer(http_.get());
  if (answer.Failed()) return Refused(answer.Why(Receiver() + " did not take the document"));
  watch_.Answered();
  streaming_ = false;
  job_id_ = 0;
  return Status::Ok();
}

Status CupsPort::Discard() {
  const int job_id = std::exchange(job_id_, 0);
  if (std::exchange(streaming_, false)) http_.reset();
  // libcups waits a second for the first answer to every request,
  // whatever the watch says: a scheduler that just left a wait
  // unanswered is not asked again when the caller wants to stop.
  if (watch_.Silent() && watch_.StopRequested()) {
    Abandon(job_id);
    return Status::Fail("the job could not be cancelled: the print server is not answering");
  }
  const Status connected = Connect();
  const Status cancelled =
      connected.IsOk() ? Cancel(target_, job_id) : Status::Fail("the job could not be cancelled: " + connected.Reason());
  if (cancelled.IsOk()) return cancelled;
  Abandon(job_id);
  return watch_.Stalled() ? GiveUp() : cancelled;
}

Status CupsPort::Close() {
  http_.reset();
  cupsFreeOptions(num_options_, options_);
  num_options_ = 0;
  options_ = nullptr;
  return Status::Ok();
}

Status CupsPort::Connect() {
  if (http_) return Status::Ok();
  if (auto connected = platform::cups::Connect(http_, target_); !connected.IsOk()) return connected;
  watch_.Attach(http_.get());
  // With a timeout set, libcups waits until the socket is writable before
  // each write, which for a local socket means mostly drained: a larger
  // buffer keeps the scheduler fed meanwhile.
  const int buffer_bytes = kSendBufferBytes;
  setsockopt(httpGetFd(http_.get()), SOL_SOCKET, SO_SNDBUF, &buffer_bytes, sizeof buffer_bytes);
  return Status::Ok();
}

Status CupsPort::GiveUp() {
  Abandon(std::exchange(job_id_, 0));
  http_.reset();
  streaming_ = false;
  return Status::TimedOut(watch_.StallReason(target_.IsQueue() ? "the print server" : target_.shown));
}

Status CupsPort::Refused(std::string reason) {
  if (watch_.Stalled()) return GiveUp();
  return Status::Fail(std::move(reason));
}

Status CupsPort::Break(std::string reason) {
  if (watch_.Stalled()) return GiveUp();
  streaming_ = false;
  http_.reset();
  return Status::Fail(std::move(reason));
}

void CupsPort::Abandon(int job_id) {
  if (abandoned_ && job_id != 0) abandoned_->Add({target_.queue, job_id});
}

Status CupsPort::Cancel(const Target& target, int job_id) {
  ipp_t* request = NewRequest(IPP_OP_CANCEL_JOB, target);
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job_id);
  const Answer answer = Exchange(http_.get(), request, target.IsQueue() ? "/jobs/" : target.resource);
  if (answer.Failed()) {
    Status failed = Status::Fail(answer.Why("the job could not be cancelled"));
    http_.reset();
    return failed;
  }
  watch_.Answered();
  return Status::Ok();
}

void CupsPort::CancelAbandoned() {
  if (!abandoned_) return;
  const auto jobs = abandoned_->Take();
  std::size_t done = 0;
  while (done < jobs.size() && Connect().IsOk()) {
    if (!Cancel(SchedulerQueue(jobs[done].queue), jobs[done].id).IsOk() && watch_.Stalled()) break;
    ++done;
  }
  for (std::size_t i = done; i < jobs.size(); ++i) abandoned_->Add(jobs[i]);
}

}  // namespace platform::cups

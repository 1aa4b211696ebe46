#include "platform/spooler/cups/spooler_cups_connection.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

namespace platform::cups {
namespace {

constexpr int kConnectTimeoutMs = 30000;
// How often a wait on the scheduler looks at the stall limit and the stop
// request.
constexpr double kWatchSeconds = 0.1;

// A lookup's waits last the stall limit; once one has, the lookup's later
// waits end at once.
int GiveUpOnStall(http_t* http, void* stalled) {
  static_cast<std::atomic<bool>*>(stalled)->store(true);
  httpSetTimeout(http, 0.001, GiveUpOnStall, stalled);
  return 0;
}

// libcups reports "Host is down" once every address of the server has
// failed with an error, whatever the error. Trying them again, a second at
// most, gives the first real one: a closed port or a crashed scheduler
// refuses the connection.
int ConnectError(const char* server, int port) {
  int error = EHOSTDOWN;
  http_addrlist_t* addresses = httpAddrGetList(server, AF_UNSPEC, std::to_string(port).c_str());
  for (http_addrlist_t* address = addresses; address != nullptr && error == EHOSTDOWN; address = address->next) {
    const int fd = socket(address->addr.addr.sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) continue;
    int failed = 0;
    socklen_t size = sizeof failed;
    pollfd connecting{fd, POLLOUT, 0};
    if (connect(fd, &address->addr.addr, static_cast<socklen_t>(httpAddrLength(&address->addr))) != 0) {
      failed = errno;
      if (failed == EINPROGRESS && (poll(&connecting, 1, 1000) != 1 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &failed, &size) != 0)) {
        failed = 0;
      }
    }
    if (failed != 0) error = failed;
    close(fd);
  }
  httpAddrFreeList(addresses);
  return error;
}

// Why connecting to `target` failed, right after the failing call. For a
// local socket that is not there, the file system's own answer says more
// than libcups's.
std::string ConnectFailure(const Target& target, int error) {
  std::string reason = "cannot connect to " + target.shown;
  const char* server = target.host.c_str();
  struct stat socket_file;
  if (server[0] == '/' && stat(server, &socket_file) != 0) error = errno;
  if (server[0] != '/' && (error == 0 || error == EHOSTDOWN)) {
    if (const int immediate = ConnectError(server, target.port); immediate != EHOSTDOWN) error = immediate;
  }
  if (error != 0) return reason + ": " + std::strerror(error);
  const char* text = cupsLastErrorString();  // a host name that does not resolve
  return text != nullptr && *text != '\0' ? reason + ": " + text : reason;
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", seconds);
  return text;
}

// Reads `length` bytes of a response's body for ippReadIO. Each wait for
// them asks the connection's watch (httpRead2 does; ippRead does not).
ssize_t ReadBody(void* http, ipp_uchar_t* buffer, size_t length) {
  size_t got = 0;
  while (got < length) {
    const ssize_t read = httpRead2(static_cast<http_t*>(http), reinterpret_cast<char*>(buffer) + got, length - got);
    if (read <= 0) break;
    got += static_cast<size_t>(read);
  }
  return got > 0 ? static_cast<ssize_t>(got) : -1;
}

std::string ErrorText(http_t* http) {
  const int error = httpError(http);
  return error != 0 ? std::strerror(error) : "the connection was closed";
}

// The answer to the request sent on `http`; `status` receives its HTTP
// status.
Answer Read(http_t* http, http_status_t& status) {
  Answer answer;
  status = HTTP_STATUS_ERROR;
  const http_state_t state = httpGetState(http);
  if (state != HTTP_STATE_POST_RECV && state != HTTP_STATE_POST_SEND) {
    answer.message = "no request was sent";
    return answer;
  }
  // A streamed document's request ends with an empty chunk.
  if (state == HTTP_STATE_POST_RECV && httpWrite2(http, "", 0) < 0) {
    answer.message = "the request could not be finished: " + ErrorText(http);
    return answer;
  }
  do {
    status = httpUpdate(http);
  } while (status == HTTP_STATUS_CONTINUE);
  if (status != HTTP_STATUS_OK) {
    answer.message = status == HTTP_STATUS_ERROR ? "no answer: " + ErrorText(http) : httpStatus(status);
    return answer;
  }
  Response response(ippNew(), &ippDelete);
  ipp_state_t read;
  do {
    read = ippReadIO(http, ReadBody, /*blocking=*/1, nullptr, response.get());
  } while (read != IPP_STATE_DATA && read != IPP_STATE_ERROR);
  if (read == IPP_STATE_ERROR) {
    answer.message = "the answer broke off: " + ErrorText(http);
    return answer;
  }
  answer.status = ippGetStatusCode(response.get());
  if (answer.Failed()) {
    const char* words = ippGetString(ippFindAttribute(response.get(), "status-message", IPP_TAG_TEXT), 0, nullptr);
    answer.message = words != nullptr && *words != '\0' ? words : ippErrorString(answer.status);
  }
  answer.response = std::move(response);
  return answer;
}

}  // namespace

std::string Answer::Why(std::string_view what) const {
  std::string reason(what);
  if (Failed() && !message.empty()) reason += ": " + message;
  return reason;
}

Answer ReadAnswer(http_t* http) {
  http_status_t status;
  return Read(http, status);
}

Answer Exchange(http_t* http, ipp_t* request, const std::string& resource) {
  Answer answer;
  // As libcups does: a request refused for want of credentials is sent
  // again once, with them.
  for (int attempt = 0; attempt < 2; ++attempt) {
    http_status_t status = cupsSendRequest(http, request, resource.c_str(), ippLength(request));
    if (status == HTTP_STATUS_CONTINUE || status == HTTP_STATUS_OK) {
      answer = Read(http, status);
    } else {
      answer = Answer{};
      answer.message = status == HTTP_STATUS_ERROR ? "the request could not be sent: " + ErrorText(http)
                                                   : httpStatus(status);
    }
    if (status != HTTP_STATUS_UNAUTHORIZED || cupsDoAuthentication(http, "POST", resource.c_str()) != 0 ||
        httpReconnect2(http, kConnectTimeoutMs, nullptr) != 0) {
      break;
    }
  }
  ippDelete(request);
  return answer;
}

std::string ServerName() {
  const char* server = cupsServer();
  return server[0] == '/' ? server : std::string(server) + ':' + std::to_string(ippPort());
}

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

Target SchedulerQueue(const std::string& queue) {
  Target target;
  target.host = cupsServer();
  target.port = ippPort();
  target.encryption = cupsEncryption();
  // The scheduler's address of a queue, for requests made on a connection
  // of this code's own.
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(), "/printers/%s",
                   queue.c_str());
  target.printer_uri = uri;
  target.resource = "/printers/" + queue;
  target.format = CUPS_FORMAT_RAW;
  target.queue = queue;
  target.shown = "the print server " + ServerName();
  return target;
}

Status Connect(Http& http, const Target& target) {
  // Made unconnected and connected here: when httpConnect2 connects itself,
  // its clean-up after a failure overwrites errno.
  Http made(httpConnect2(target.host.c_str(), target.port, nullptr, AF_UNSPEC, target.encryption,
                         /*blocking=*/1, /*msec=*/0, nullptr));
  if (!made) return Status::Fail(ConnectFailure(target, 0));
  if (httpReconnect2(made.get(), kConnectTimeoutMs, nullptr) != 0) {
    return Status::Fail(ConnectFailure(target, httpError(made.get())));
  }
  httpSetTimeout(made.get(), StallLimitSeconds(), nullptr, nullptr);
  http = std::move(made);
  return Status::Ok();
}

Status Lookup(const StopCheck& stop, const LookupCall& lookup, std::vector<std::string>& found) {
  // Shared with the thread, which may outlive this call when it is cut
  // short: it then ends on its own, at the latest after the stall limit.
  struct Shared {
    Http http;
    std::vector<std::string> found;
    Status result;
    std::atomic<bool> done{false}, stalled{false};
  };
  const auto shared = std::make_shared<Shared>();
  if (auto connected = ConnectToScheduler(shared->http); !connected.IsOk()) return connected;
  const double limit = StallLimitSeconds();
  httpSetTimeout(shared->http.get(), limit, GiveUpOnStall, &shared->stalled);
  std::thread([shared, lookup] {
    shared->result = lookup(shared->http.get(), shared->found);
    shared->http.reset();
    shared->done = true;
  }).detach();
  const auto period = std::chrono::duration<double>(kWatchSeconds);
  for (;;) {
    const bool done = shared->done;  // after any stall, seen below
    // A lookup that stalled on the way may still have found something;
    // none of it is to be trusted.
    if (shared->stalled) {
      return Status::TimedOut("the print server " + ServerName() + " stopped answering (nothing for " +
                                Seconds(limit) + " s)");
    }
    if (done) break;
    if (stop && stop()) return Status::Fail(kLookupStopped);
    std::this_thread::sleep_for(period);
  }
  found = std::move(shared->found);
  return shared->result;
}

ipp_t* NewRequest(ipp_op_t operation, const Target& target) {
  ipp_t* request = ippNewRequest(operation);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, target.printer_uri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  return request;
}

bool SchedulerNotAsked() { return IsIppError(cupsLastError()) && cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND; }

Watch::Watch(StopCheck stop) : stop_(std::move(stop)), limit_(StallLimitSeconds()) {}

void Watch::Attach(http_t* http) { httpSetTimeout(http, kWatchSeconds, &Watch::OnWait, this); }

std::string Watch::StallReason(const std::string& who) {
  return who + " stopped answering (nothing for " + Seconds(StallLimitSeconds()) + " s)";
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

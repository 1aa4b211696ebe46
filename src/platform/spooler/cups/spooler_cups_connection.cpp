#include "platform/spooler/cups/spooler_cups_connection.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/sockios.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

namespace platform::cups {
namespace {

constexpr int kConnectTimeoutMs = 30000;

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

Status Connect(Http& http, const Target& target, const StopCheck& stop) {
  // The look-up and the handshake cannot be cut short: they run on a
  // thread of their own, left to end by itself (its waits last the stall
  // limit) when a stop or the stall limit comes first. libcups keeps its
  // errors per thread: they are read there.
  struct Shared {
    Http http;
    Status result;
  };
  const auto shared = std::make_shared<Shared>();
  StallWatch watch(target.shown, stop);
  const double limit = StallLimitSeconds();
  const auto connect = [shared, target, limit] {
    // Made unconnected and connected here: when httpConnect2 connects
    // itself, its clean-up after a failure overwrites errno.
    Http made(httpConnect2(target.host.c_str(), target.port, nullptr, AF_UNSPEC, target.encryption,
                           /*blocking=*/1, /*msec=*/0, nullptr));
    if (!made) {
      shared->result = Status::Fail(ConnectFailure(target, 0));
      return;
    }
    httpSetTimeout(made.get(), limit, nullptr, nullptr);
    const int connect_ms = static_cast<int>(std::min<double>(kConnectTimeoutMs, limit * 1000));
    if (httpReconnect2(made.get(), connect_ms, nullptr) != 0) {
      shared->result = Status::Fail(ConnectFailure(target, httpError(made.get())));
      return;
    }
    shared->http = std::move(made);
  };
  if (auto waited = AwaitOnThread(watch, connect); !waited.IsOk()) {
    return watch.StopRequested() ? Status::Fail("stopped while connecting to " + target.shown) : waited;
  }
  if (!shared->result.IsOk()) return shared->result;
  http = std::move(shared->http);
  return Status::Ok();
}

Status Lookup(const StopCheck& stop, const LookupCall& lookup, std::vector<std::string>& found) {
  // Shared with the thread, which may outlive this call when it is cut
  // short: it then ends on its own, at the latest after the stall limit.
  struct Shared {
    Http http;
    std::vector<std::string> found;
    Status result;
    Completion done;
    std::atomic<bool> stalled{false};
  };
  const auto shared = std::make_shared<Shared>();
  if (auto connected = ConnectToScheduler(shared->http, stop); !connected.IsOk()) return connected;
  const double limit = StallLimitSeconds();
  httpSetTimeout(shared->http.get(), limit, GiveUpOnStall, &shared->stalled);
  std::thread([shared, lookup] {
    shared->result = lookup(shared->http.get(), shared->found);
    shared->http.reset();
    shared->done.Set();
  }).detach();
  const auto period = std::chrono::duration<double>(kWaitSliceSeconds);
  for (;;) {
    const bool done = shared->done.WaitFor(period);  // after any stall, seen below
    // A lookup that stalled on the way may still have found something;
    // none of it is to be trusted.
    if (shared->stalled) {
      return StallWatch(SchedulerQueue({}).shown, stop).Stall();
    }
    if (done) break;
    if (stop && stop()) return Status::Fail(kLookupStopped);
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

namespace {

int OnWait(http_t* http, void* watch) {
  auto& watched = *static_cast<StallWatch*>(watch);
#ifdef SIOCOUTQ
  int unsent = 0;
  if (ioctl(httpGetFd(http), SIOCOUTQ, &unsent) == 0) watched.Outstanding(unsent);
#else
  static_cast<void>(http);
#endif
  return watched.KeepWaiting() ? 1 : 0;
}

}  // namespace

void Attach(http_t* http, StallWatch& watch) { httpSetTimeout(http, kWaitSliceSeconds, OnWait, &watch); }

}  // namespace platform::cups

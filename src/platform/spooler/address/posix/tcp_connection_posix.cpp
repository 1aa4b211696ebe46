// SPDX-License-Identifier: Apache-2.0
// The printer's TCP connection over POSIX sockets, non-blocking, with
// MSG_NOSIGNAL so that a printer gone away is a failed write, not SIGPIPE.
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/sockios.h>
#endif

#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/spooler/address/tcp_connection.h"

namespace platform::address {
namespace {

constexpr int kSliceMs = static_cast<int>(kWaitSliceSeconds * 1000);

Status Errno(int error) { return Status::Fail(std::strerror(error)); }

// The error a failed connection or a reset left on the socket.
int PendingError(int fd) {
  int error = 0;
  socklen_t size = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
  return error;
}

class PosixConnection final : public TcpConnection {
 public:
  explicit PosixConnection(int fd) : fd_(fd) {}
  ~PosixConnection() override {
    if (fd_ >= 0) close(fd_);
  }

  Status Write(const char* data, std::size_t size, std::size_t& written) override {
    written = 0;
    const ssize_t sent = send(fd_, data, size, MSG_NOSIGNAL);
    if (sent >= 0) {
      written = static_cast<std::size_t>(sent);
      return Status::Ok();
    }
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? Status::Ok() : Errno(errno);
  }

  Status EndWriting(bool& closed_first) override {
    pollfd ended{fd_, POLLRDHUP, 0};
    // A reset is for Look to tell.
    closed_first = poll(&ended, 1, static_cast<int>(kEarlyCloseSeconds * 1000)) == 1 && ended.revents == POLLRDHUP;
    if (closed_first) return Status::Ok();
    return shutdown(fd_, SHUT_WR) == 0 ? Status::Ok() : Errno(errno);
  }

  Status Look(PeerView& view) override {
    view = {};
    char dropped[4096];
    for (;;) {
      const ssize_t got = recv(fd_, dropped, sizeof dropped, 0);
      if (got > 0) continue;
      if (got == 0) {
        view.closed = true;
        break;
      }
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) break;
      return Errno(errno);
    }
    // A printer that closes before taking every byte resets the connection
    // once the rest reaches it.
    if (const int error = PendingError(fd_); error != 0) return Errno(error);
#ifdef SIOCOUTQ
    int unacknowledged = 0;
    if (ioctl(fd_, SIOCOUTQ, &unacknowledged) == 0) view.unacknowledged = unacknowledged;
#endif
    return Status::Ok();
  }

  void WaitSlice(bool for_writing) override {
    // A closed socket reads as ready at once: the slice is slept then, so
    // that waiting for the acknowledgement (or the reset) does not spin.
    pollfd waiting{fd_, static_cast<short>(for_writing ? POLLOUT : POLLIN), 0};
    if (poll(&waiting, 1, kSliceMs) == 1 && !for_writing) poll(nullptr, 0, kSliceMs);
  }

  void Abort() override {
    const linger reset{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

// One address: connected, or why not.
Status ConnectTo(int fd, const addrinfo& address, StallWatch& watch) {
  if (connect(fd, address.ai_addr, address.ai_addrlen) == 0) return Status::Ok();
  if (errno != EINPROGRESS) return Errno(errno);
  for (;;) {
    pollfd connecting{fd, POLLOUT, 0};
    if (poll(&connecting, 1, kSliceMs) == 1) {
      const int error = PendingError(fd);
      return error == 0 ? Status::Ok() : Errno(error);
    }
    if (auto waited = watch.Check(); !waited.IsOk()) return waited;
  }
}

}  // namespace

StatusOr<std::unique_ptr<TcpConnection>> ConnectTcp(const std::string& host, int port, StallWatch& watch) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  std::shared_ptr<FoundAddresses<addrinfo>> found;
  if (auto named = LookUp(host, port, hints, watch.Stop(), found); !named.IsOk()) return named;
  if (found->error != 0) {
    return Status::Fail(found->error == EAI_SYSTEM ? std::strerror(found->system_error) : gai_strerror(found->error));
  }
  Status failure = Status::Fail("the host has no address");
  for (const addrinfo* address = found->first; address != nullptr; address = address->ai_next) {
    const int fd = socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address->ai_protocol);
    if (fd < 0) {
      failure = Errno(errno);
      continue;
    }
    failure = ConnectTo(fd, *address, watch);
    if (failure.IsOk()) return std::unique_ptr<TcpConnection>(std::make_unique<PosixConnection>(fd));
    close(fd);
    // A stop, or a host silent for the stall limit, ends the attempt.
    if (failure.IsTimedOut() || watch.StopRequested()) break;
  }
  return failure;
}

}  // namespace platform::address

// SPDX-License-Identifier: Apache-2.0
// The printer's TCP connection over Winsock, non-blocking.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <memory>
#include <string>

#include "platform/spooler/address/tcp_connection.h"
#include "platform/wide_text_win.h"

namespace platform::address {
namespace {

constexpr long kSliceMicroseconds = static_cast<long>(kWaitSliceSeconds * 1000000);

// The system's text, ending without a full stop: it is part of a sentence.
Status Failed(int error) {
  std::string reason = SystemErrorText(static_cast<unsigned long>(error));
  if (!reason.empty() && reason.back() == '.') reason.pop_back();
  return Status::Fail(reason);
}

bool WouldBlock(int error) { return error == WSAEWOULDBLOCK || error == WSAEINTR || error == WSAEINPROGRESS; }

// Whether `s` becomes writable (or readable) within a slice; `failed`
// gets a failed connection's error.
bool WaitOn(SOCKET s, bool for_writing, int* failed = nullptr) {
  fd_set ready, broken;
  FD_ZERO(&ready);
  FD_ZERO(&broken);
  FD_SET(s, &ready);
  FD_SET(s, &broken);
  timeval slice{0, kSliceMicroseconds};
  if (select(0, for_writing ? nullptr : &ready, for_writing ? &ready : nullptr, &broken, &slice) <= 0) return false;
  if (failed != nullptr && FD_ISSET(s, &broken)) {
    int error = 0;
    int size = sizeof error;
    getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
    *failed = error != 0 ? error : WSAECONNREFUSED;
  }
  return true;
}

// Bytes the system may hold unsent: with less of the document unseen in
// its buffers, a slow printer's last bytes go within the stall limit, here
// where how many it acknowledged cannot be asked.
constexpr int kSendBufferBytes = 64 * 1024;

class WinsockConnection final : public TcpConnection {
 public:
  // A read is kept pending all along: a reset completes it with its error
  // even where the close event and a later recv tell a close in order
  // (Wine does), and a close in order completes it with nothing.
  explicit WinsockConnection(SOCKET s) : socket_(s), closed_(WSACreateEvent()) {
    WSAEventSelect(socket_, closed_, FD_CLOSE);
    const int buffer = kSendBufferBytes;
    setsockopt(socket_, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&buffer), sizeof buffer);
    reading_.hEvent = WSACreateEvent();
    PostRead();
  }
  ~WinsockConnection() override {
    Close(/*reset=*/false);
    WSACloseEvent(reading_.hEvent);
    WSACloseEvent(closed_);
  }

  Status Write(const char* data, std::size_t size, std::size_t& written) override {
    written = 0;
    if (!broken_.IsOk()) return broken_;
    const int offered = size > 0x10000000 ? 0x10000000 : static_cast<int>(size);
    const int sent = send(socket_, data, offered, 0);
    if (sent != SOCKET_ERROR) {
      written = static_cast<std::size_t>(sent);
      return Status::Ok();
    }
    const int error = WSAGetLastError();
    return WouldBlock(error) ? Status::Ok() : Failed(error);
  }

  Status EndWriting(bool& closed_first) override {
    if (pending_) {
      WSAWaitForMultipleEvents(1, &reading_.hEvent, FALSE, static_cast<DWORD>(kEarlyCloseSeconds * 1000), FALSE);
    }
    PeerView peer;
    if (auto looked = Look(peer); !looked.IsOk()) return looked;
    closed_first = peer.closed;
    if (closed_first) return Status::Ok();
    return shutdown(socket_, SD_SEND) == 0 ? Status::Ok() : Failed(WSAGetLastError());
  }

  Status Look(PeerView& view) override {
    view = {};
    while (pending_) {
      DWORD got = 0, flags = 0;
      if (!WSAGetOverlappedResult(socket_, &reading_, &got, FALSE, &flags)) {
        const int error = WSAGetLastError();
        if (error == WSA_IO_INCOMPLETE) break;
        pending_ = false;
        broken_ = Failed(error);
        break;
      }
      pending_ = false;
      if (got == 0) {
        ended_ = true;
        break;
      }
      PostRead();  // what the printer sent back is dropped
    }
    if (!broken_.IsOk()) return broken_;
    WSANETWORKEVENTS events{};
    if (WSAEnumNetworkEvents(socket_, closed_, &events) == 0 && (events.lNetworkEvents & FD_CLOSE) != 0 &&
        events.iErrorCode[FD_CLOSE_BIT] != 0) {
      return Failed(events.iErrorCode[FD_CLOSE_BIT]);
    }
    view.closed = ended_;
    return Status::Ok();
  }

  void WaitSlice(bool for_writing) override {
    if (for_writing || !pending_) {
      WaitOn(socket_, for_writing);
      return;
    }
    WSAWaitForMultipleEvents(1, &reading_.hEvent, FALSE, static_cast<DWORD>(kSliceMicroseconds / 1000), FALSE);
  }

  void Abort() override { Close(/*reset=*/true); }

 private:
  void PostRead() {
    WSAResetEvent(reading_.hEvent);
    WSABUF buffer{sizeof dropped_, dropped_};
    DWORD got = 0, flags = 0;
    pending_ = true;
    if (WSARecv(socket_, &buffer, 1, &got, &flags, &reading_, nullptr) == 0) return;  // its event is set
    const int error = WSAGetLastError();
    if (error == WSA_IO_PENDING) return;
    pending_ = false;
    broken_ = Failed(error);
  }

  // The pending read ends with the socket, and is waited for: it writes
  // into this object.
  void Close(bool reset) {
    if (socket_ == INVALID_SOCKET) return;
    if (reset) {
      const linger at_once{1, 0};
      setsockopt(socket_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&at_once), sizeof at_once);
    }
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
    if (pending_) WSAWaitForMultipleEvents(1, &reading_.hEvent, FALSE, 1000, FALSE);
    pending_ = false;
  }

  SOCKET socket_;
  WSAEVENT closed_;
  WSAOVERLAPPED reading_{};
  char dropped_[4096];
  bool pending_ = false;
  bool ended_ = false;
  Status broken_;  // how the pending read ended, when it failed
};

Status ConnectTo(SOCKET s, const addrinfo& address, StallWatch& watch) {
  if (connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) return Status::Ok();
  if (const int error = WSAGetLastError(); !WouldBlock(error)) return Failed(error);
  for (;;) {
    int failed = 0;
    if (WaitOn(s, /*for_writing=*/true, &failed)) return failed == 0 ? Status::Ok() : Failed(failed);
    if (auto waited = watch.Check(); !waited.IsOk()) return waited;
  }
}

}  // namespace

StatusOr<std::unique_ptr<TcpConnection>> ConnectTcp(const std::string& host, int port, StallWatch& watch) {
  // Winsock is started once for the process and left running.
  static const int started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
  }();
  if (started != 0) return Failed(started);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  std::shared_ptr<FoundAddresses<addrinfo>> found;
  if (auto named = LookUp(host, port, hints, watch.Stop(), found); !named.IsOk()) return named;
  if (found->error != 0) return Failed(found->error);
  Status failure = Status::Fail("the host has no address");
  for (const addrinfo* address = found->first; address != nullptr; address = address->ai_next) {
    const SOCKET s = WSASocketW(address->ai_family, address->ai_socktype, address->ai_protocol, nullptr, 0,
                                WSA_FLAG_OVERLAPPED);
    u_long non_blocking = 1;
    if (s == INVALID_SOCKET || ioctlsocket(s, FIONBIO, &non_blocking) != 0) {
      failure = Failed(WSAGetLastError());
      if (s != INVALID_SOCKET) closesocket(s);
      continue;
    }
    failure = ConnectTo(s, *address, watch);
    if (failure.IsOk()) return std::unique_ptr<TcpConnection>(std::make_unique<WinsockConnection>(s));
    closesocket(s);
    if (failure.IsTimedOut() || watch.StopRequested()) break;
  }
  return failure;
}

}  // namespace platform::address

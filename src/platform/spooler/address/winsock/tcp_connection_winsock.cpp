// SPDX-License-Identifier: Apache-2.0
// The printer's TCP connection over Winsock, non-blocking.
#include <winsock2.h>
#include <ws2tcpip.h>

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

class WinsockConnection final : public TcpConnection {
 public:
  // The connection's close is recorded with how it came: a printer that
  // resets it rather than closing in order did not take every byte.
  explicit WinsockConnection(SOCKET s) : socket_(s), closed_(WSACreateEvent()) {
    WSAEventSelect(socket_, closed_, FD_CLOSE);
  }
  ~WinsockConnection() override {
    if (socket_ != INVALID_SOCKET) closesocket(socket_);
    WSACloseEvent(closed_);
  }

  Status Write(const char* data, std::size_t size, std::size_t& written) override {
    written = 0;
    const int offered = size > 0x10000000 ? 0x10000000 : static_cast<int>(size);
    const int sent = send(socket_, data, offered, 0);
    if (sent != SOCKET_ERROR) {
      written = static_cast<std::size_t>(sent);
      return Status::Ok();
    }
    const int error = WSAGetLastError();
    return WouldBlock(error) ? Status::Ok() : Failed(error);
  }

  Status EndWriting() override {
    return shutdown(socket_, SD_SEND) == 0 ? Status::Ok() : Failed(WSAGetLastError());
  }

  Status ReadToEnd(bool& ended) override {
    ended = false;
    char dropped[4096];
    for (;;) {
      const int got = recv(socket_, dropped, sizeof dropped, 0);
      if (got > 0) continue;
      if (got == 0) break;
      const int error = WSAGetLastError();
      return WouldBlock(error) ? Status::Ok() : Failed(error);
    }
    WSANETWORKEVENTS events{};
    if (WSAEnumNetworkEvents(socket_, closed_, &events) == 0 && (events.lNetworkEvents & FD_CLOSE) != 0 &&
        events.iErrorCode[FD_CLOSE_BIT] != 0) {
      return Failed(events.iErrorCode[FD_CLOSE_BIT]);
    }
    ended = true;
    return Status::Ok();
  }

  void WaitSlice(bool for_writing) override { WaitOn(socket_, for_writing); }

  void Abort() override {
    const linger reset{1, 0};
    setsockopt(socket_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&reset), sizeof reset);
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }

 private:
  SOCKET socket_;
  WSAEVENT closed_;
};

Status ConnectTo(SOCKET s, const addrinfo& address, const std::function<Status()>& keep_waiting) {
  if (connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) return Status::Ok();
  if (const int error = WSAGetLastError(); !WouldBlock(error)) return Failed(error);
  for (;;) {
    int failed = 0;
    if (WaitOn(s, /*for_writing=*/true, &failed)) return failed == 0 ? Status::Ok() : Failed(failed);
    if (auto waited = keep_waiting(); !waited.IsOk()) return waited;
  }
}

}  // namespace

StatusOr<std::unique_ptr<TcpConnection>> ConnectTcp(const std::string& host, int port,
                                                    const std::function<Status()>& keep_waiting) {
  // Winsock is started once for the process and left running.
  static const int started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
  }();
  if (started != 0) return Failed(started);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* addresses = nullptr;
  if (const int error = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &addresses); error != 0) {
    return Failed(error);
  }
  Status failure = Status::Fail("the host has no address");
  for (const addrinfo* address = addresses; address != nullptr; address = address->ai_next) {
    const SOCKET s = socket(address->ai_family, address->ai_socktype, address->ai_protocol);
    u_long non_blocking = 1;
    if (s == INVALID_SOCKET || ioctlsocket(s, FIONBIO, &non_blocking) != 0) {
      failure = Failed(WSAGetLastError());
      if (s != INVALID_SOCKET) closesocket(s);
      continue;
    }
    failure = ConnectTo(s, *address, keep_waiting);
    if (failure.IsOk()) {
      freeaddrinfo(addresses);
      return std::unique_ptr<TcpConnection>(std::make_unique<WinsockConnection>(s));
    }
    closesocket(s);
    if (failure.IsTimedOut() || !keep_waiting().IsOk()) break;
  }
  freeaddrinfo(addresses);
  return failure;
}

}  // namespace platform::address

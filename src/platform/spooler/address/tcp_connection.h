// SPDX-License-Identifier: Apache-2.0
#pragma once
// A TCP connection to a printer, for the socket port: the few calls it
// needs, none of which blocks for longer than a wait slice. One back end
// per platform: POSIX sockets, or Winsock on Windows.
#include <cstddef>
#include <cstdint>
#include <cerrno>
#include <memory>
#include <string>

#include "platform/spooler/stall_watch.h"
#include "platform/status.h"

namespace platform::address {

// What the connection shows of the printer's side.
struct PeerView {
  bool closed = false;               // the printer has ended its side
  std::int64_t unacknowledged = -1;  // bytes (and the end) it has not acknowledged; -1: not told
};

// Long enough for a printer's end sent on accepting to arrive on a local
// network; each document waits that long once.
inline constexpr double kEarlyCloseSeconds = 0.02;

class TcpConnection {
 public:
  virtual ~TcpConnection() = default;

  // Writes what the connection takes now of `size` bytes into `written`
  // (none when its buffers are full). A closed connection fails; it never
  // raises SIGPIPE.
  virtual Status Write(const char* data, std::size_t size, std::size_t& written) = 0;
  // Ends the writing side: the printer reads the end of the data. A
  // printer that ends its side at once rather than read (it half-closes
  // as soon as it accepts) is given kEarlyCloseSeconds to show it first;
  // `closed_first` tells it did, and the end is not sent then.
  virtual Status EndWriting(bool& closed_first) = 0;
  // Reads and drops what the printer sent back, and tells where its side
  // stands. Fails once it has broken the connection off (reset it): it
  // did not read every byte.
  virtual Status Look(PeerView& view) = 0;
  // Waits a slice at most until the connection can be written to
  // (`for_writing`) or has something to read.
  virtual void WaitSlice(bool for_writing) = 0;
  // Closes at once, resetting the connection: the printer learns that the
  // data did not end as it should.
  virtual void Abort() = 0;
  // Closing without Abort lets the connection end in order.
};

// The addresses a name look-up (getaddrinfo) found.
template <class Info>
struct FoundAddresses {
  ~FoundAddresses() {
    if (first != nullptr) freeaddrinfo(first);
  }
  Info* first = nullptr;
  int error = 0;         // what the look-up returned
  int system_error = 0;  // errno after it, where that says more
};

// Looks `host` up with `hints` on a thread of its own: a look-up cannot be
// cut short, so it is left to end by itself when a stop or the stall limit
// comes first, and the wait is the name server's.
template <class Info>
Status LookUp(const std::string& host, int port, const Info& hints, const StopCheck& stop,
              std::shared_ptr<FoundAddresses<Info>>& found) {
  found = std::make_shared<FoundAddresses<Info>>();
  StallWatch naming("the name server, asked for " + host + ",", stop);
  return AwaitOnThread(naming, [found, host, port, hints] {
    found->error = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found->first);
    found->system_error = errno;
  });
}

// Connects to `host` ("::1" without brackets) at `port`, trying each of
// its addresses in turn. The name look-up and each connection attempt wait
// under `watch`: a stop or a silence of the stall limit ends them.
StatusOr<std::unique_ptr<TcpConnection>> ConnectTcp(const std::string& host, int port, StallWatch& watch);

}  // namespace platform::address

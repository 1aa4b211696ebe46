// SPDX-License-Identifier: Apache-2.0
#pragma once
// A TCP connection to a printer, for the socket port: the few calls it
// needs, none of which blocks for longer than it is told. One back end per
// platform: POSIX sockets, or Winsock on Windows.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "platform/status.h"

namespace platform::address {

// How long each wait inside a call lasts at most, in seconds: the caller
// looks at its stop request and its stall limit between two.
inline constexpr double kWaitSliceSeconds = 0.1;

class TcpConnection {
 public:
  virtual ~TcpConnection() = default;

  // Writes what the connection takes now of `size` bytes into `written`
  // (none when its buffers are full). A closed connection fails; it never
  // raises SIGPIPE.
  virtual Status Write(const char* data, std::size_t size, std::size_t& written) = 0;
  // Ends the writing side: the printer reads the end of the data.
  virtual Status EndWriting() = 0;
  // Reads and drops what the printer sent back; `ended` becomes true once
  // it has closed its side. Fails when it broke the connection off, or
  // closed it before taking every byte written.
  virtual Status ReadToEnd(bool& ended) = 0;
  // Waits a slice at most until the connection can be written to
  // (`for_writing`) or has something to read.
  virtual void WaitSlice(bool for_writing) = 0;
  // Closes at once, resetting the connection: the printer learns that the
  // data did not end as it should.
  virtual void Abort() = 0;
};

// Connects to `host` ("::1" without brackets) at `port`, trying each of
// its addresses in turn. `keep_waiting` is asked after every slice of the
// wait; a failure it returns ends the attempt with that failure.
StatusOr<std::unique_ptr<TcpConnection>> ConnectTcp(const std::string& host, int port,
                                                    const std::function<Status()>& keep_waiting);

}  // namespace platform::address

// SPDX-License-Identifier: Apache-2.0
#include "platform/spooler/address/socket_port.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "platform/spooler/address/tcp_connection.h"

namespace platform::address {
namespace {

using Clock = std::chrono::steady_clock;

class SocketPort final : public PrinterPort {
 public:
  SocketPort(PrinterAddress address, StopCheck stop, std::shared_ptr<int> ids)
      : address_(std::move(address)), stop_(std::move(stop)), ids_(std::move(ids)) {}
  ~SocketPort() override { Drop(); }

  StatusOr<int> CreateJob(const std::string&) override {
    Drop();
    silent_since_ = Clock::now();
    auto connected = ConnectTcp(address_.host, address_.port, [this] { return KeepWaiting("answered"); });
    if (!connected.IsOk()) {
      const Status& failure = connected.Outcome();
      if (failure.IsTimedOut() || StopRequested()) return failure;
      // The port taken by default is named, for a user who gave none.
      const std::string port = ":" + std::to_string(address_.port);
      const bool named = address_.uri.size() >= port.size() &&
                         address_.uri.compare(address_.uri.size() - port.size(), port.size(), port) == 0;
      return Status::Fail("cannot connect to " + address_.uri + (named ? "" : " (port " + port.substr(1) + ")") +
                          ": " + failure.Reason());
    }
    connection_ = std::move(connected.Value());
    return ++*ids_;
  }

  Status Send(const void* data, std::size_t size, std::size_t& written) override {
    written = 0;
    silent_since_ = Clock::now();
    while (written < size) {
      std::size_t now = 0;
      if (auto wrote = connection_->Write(static_cast<const char*>(data) + written, size - written, now);
          !wrote.IsOk()) {
        Drop();
        return Status::Fail(address_.uri + " broke the connection off: " + wrote.Reason());
      }
      written += now;
      if (now > 0) {
        silent_since_ = Clock::now();
        continue;
      }
      if (auto waited = KeepWaiting("taken more of the document"); !waited.IsOk()) return Given(waited);
      connection_->WaitSlice(/*for_writing=*/true);
    }
    return Status::Ok();
  }

  // The end of the data goes, then the printer's side is read until it
  // closes: only then has it read every byte.
  Status Finish() override {
    if (auto ended = connection_->EndWriting(); !ended.IsOk()) {
      Drop();
      return Status::Fail(address_.uri + " broke the connection off: " + ended.Reason());
    }
    silent_since_ = Clock::now();
    for (bool closed = false; !closed;) {
      if (auto read = connection_->ReadToEnd(closed); !read.IsOk()) {
        Drop();
        return Status::Fail(address_.uri + " did not read the whole document: " + read.Reason());
      }
      if (closed) break;
      if (auto waited = KeepWaiting("closed the connection after the last byte"); !waited.IsOk()) return Given(waited);
      connection_->WaitSlice(/*for_writing=*/false);
    }
    connection_.reset();
    return Status::Ok();
  }

  // What the printer has read cannot be taken back; the reset connection
  // tells it that the document broke off.
  Status Discard() override {
    Drop();
    return Status::Ok();
  }

  Status Close() override {
    Drop();
    return Status::Ok();
  }

 private:
  bool StopRequested() const { return stop_ && stop_(); }

  // Ok while the printer's silence is shorter than the stall limit and no
  // stop is asked; `what` the printer has not done meanwhile.
  Status KeepWaiting(const std::string& what) const {
    if (StopRequested()) return Status::Fail("stopped before " + address_.uri + " had " + what);
    const double limit = StallLimitSeconds();
    if (std::chrono::duration<double>(Clock::now() - silent_since_).count() < limit) return Status::Ok();
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", limit);
    return Status::TimedOut(address_.uri + " stopped answering: it has not " + what + " for " + seconds + " s");
  }

  // A wait that ended without the printer: the document is given up here.
  Status Given(const Status& failure) {
    Drop();
    return failure;
  }

  void Drop() {
    if (connection_) connection_->Abort();
    connection_.reset();
  }

  PrinterAddress address_;
  StopCheck stop_;
  std::shared_ptr<int> ids_;
  std::unique_ptr<TcpConnection> connection_;
  Clock::time_point silent_since_;
};

}  // namespace

std::unique_ptr<PrinterPort> MakeSocketPort(PrinterAddress address, StopCheck stop, std::shared_ptr<int> ids) {
  return std::make_unique<SocketPort>(std::move(address), std::move(stop), std::move(ids));
}

}  // namespace platform::address

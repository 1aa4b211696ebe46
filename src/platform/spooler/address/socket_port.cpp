// SPDX-License-Identifier: Apache-2.0
#include "platform/spooler/address/socket_port.h"

#include <cstdio>
#include <utility>

#include "platform/spooler/address/address_schemes.h"
#include "platform/spooler/address/tcp_connection.h"

namespace platform::address {
namespace {

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", seconds);
  return text;
}

class SocketPort final : public PrinterPort {
 public:
  SocketPort(PrinterAddress address, StopCheck stop, std::shared_ptr<int> ids)
      : address_(std::move(address)), watch_(address_.uri, std::move(stop)), ids_(std::move(ids)) {}
  ~SocketPort() override { Drop(); }

  StatusOr<int> CreateJob(const std::string&) override {
    Drop();
    note_.clear();
    watch_.Progress();
    auto connected = ConnectTcp(address_.host, address_.port, watch_);
    if (!connected.IsOk()) {
      const Status& failure = connected.Outcome();
      if (failure.IsTimedOut() || watch_.StopRequested()) return failure;
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

  // Any byte taken is progress: a printer that reads slowly is waited for.
  Status Send(const void* data, std::size_t size, std::size_t& written) override {
    written = 0;
    while (written < size) {
      std::size_t now = 0;
      if (auto wrote = connection_->Write(static_cast<const char*>(data) + written, size - written, now);
          !wrote.IsOk()) {
        Drop();
        return Status::Fail(address_.uri + " broke the connection off: " + wrote.Reason());
      }
      written += now;
      if (now > 0) {
        watch_.Progress();
        continue;
      }
      // Buffers full: the printer's acknowledgements are its progress (the
      // system frees buffer space in large pieces only).
      PeerView peer;
      if (auto looked = Look(peer); !looked.IsOk()) return looked;
      watch_.Outstanding(peer.unacknowledged);
      if (auto waited = watch_.Check(); !waited.IsOk()) return Given(waited);
      connection_->WaitSlice(/*for_writing=*/true);
    }
    return Status::Ok();
  }

  // The end of the data goes; then the printer's side is watched until it
  // has acknowledged every byte and closed, each byte it acknowledges
  // counting as progress. A printer that acknowledged everything but keeps
  // the connection open holds the document all the same: the connection
  // is then closed in order from here. One that ended its side before the
  // document did has stopped reading it.
  Status Finish() override {
    bool closed_first = false;
    if (auto ended = connection_->EndWriting(closed_first); !ended.IsOk()) {
      Drop();
      return Status::Fail(address_.uri + " broke the connection off: " + ended.Reason());
    }
    if (closed_first) {
      return Given(Status::Fail(address_.uri + " ended the connection before the end of the document"));
    }
    PeerView peer;
    for (;;) {
      if (auto looked = Look(peer); !looked.IsOk()) return looked;
      watch_.Outstanding(peer.unacknowledged);
      if (peer.closed && peer.unacknowledged <= 0) break;
      if (!watch_.KeepWaiting()) return Unfinished(peer);
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

  std::string DeliveryNote() const override { return note_; }

 private:
  Status Look(PeerView& peer) {
    if (auto looked = connection_->Look(peer); !looked.IsOk()) {
      Drop();
      return Status::Fail(address_.uri + " did not read the whole document: " + looked.Reason());
    }
    return Status::Ok();
  }

  // The end of a Finish that waited in vain, as `peer` left it.
  Status Unfinished(const PeerView& peer) {
    if (!watch_.Stalled()) return Given(Status::Fail("stopped while waiting for " + address_.uri));
    const std::string seconds = Seconds(StallLimitSeconds()) + " s";
    if (!peer.closed && peer.unacknowledged == 0) {
      connection_.reset();  // in order: the printer holds the whole document
      note_ = "the printer acknowledged every byte but had not closed the connection after " + seconds +
              "; it was closed from here";
      return Status::Ok();
    }
    if (!peer.closed && peer.unacknowledged < 0) {
      connection_.reset();
      return Status::Fail(address_.uri + " did not close the connection for " + seconds +
                          ", and this system cannot tell whether it took the whole document");
    }
    return Given(watch_.Stall());
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
  StallWatch watch_;
  std::shared_ptr<int> ids_;
  std::unique_ptr<TcpConnection> connection_;
  std::string note_;
};

}  // namespace

std::unique_ptr<PrinterPort> MakeSocketPort(PrinterAddress address, StopCheck stop, std::shared_ptr<int> ids) {
  return std::make_unique<SocketPort>(std::move(address), std::move(stop), std::move(ids));
}

}  // namespace platform::address

namespace platform {

void AddSocketScheme(AddressSchemes& schemes) {
  auto ids = std::make_shared<int>(0);
  schemes[AddressScheme::Socket] = {
      [ids](const PrinterAddress& address, StopCheck stop) -> StatusOr<std::unique_ptr<PrinterPort>> {
        return address::MakeSocketPort(address, std::move(stop), ids);
      },
      {},
      "a printer at a socket:// address tells nothing of a document once it has read it: that it was "
      "delivered is all that can be known"};
}

}  // namespace platform

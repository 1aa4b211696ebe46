// SPDX-License-Identifier: Apache-2.0
#pragma once
// A printer at socket://127.0.0.1:PORT of a test's own: takes connections
// one after the other, each as `Reader` says, and records what it read.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

// How a printer of the test's own treats each connection.
enum class Reader {
  kWhole,       // reads it to its end, then closes
  kLimited,     // a moment after it took it, reads `read_limit` bytes, then closes
  kNever,       // holds it open unread
  kSlow,        // reads 8 KB every 0.1 s to its end
  kKeepsOpen,   // reads it to its end, and holds it open
  kHalfCloses,  // ends its side at once, reads `read_limit` bytes, and holds it open
};

class SocketPrinter {
 public:
  explicit SocketPrinter(std::size_t read_limit = SIZE_MAX, Reader reader = Reader::kWhole)
      : read_limit_(read_limit), reader_(read_limit != SIZE_MAX && reader == Reader::kWhole ? Reader::kLimited : reader) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&address), size), 0);
    EXPECT_EQ(listen(fd_, 8), 0);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~SocketPrinter() {
    shutdown(fd_, SHUT_RDWR);
    thread_.join();
    close(fd_);
    for (const int held : held_) close(held);
  }
  std::string Address() const { return "socket://127.0.0.1:" + std::to_string(port_); }
  std::vector<std::string> Documents() {
    const std::lock_guard lock(mutex_);
    return documents_;
  }

 private:
  void Serve() {
    using namespace std::chrono_literals;
    for (int connection; (connection = accept(fd_, nullptr, nullptr)) >= 0;) {
      if (reader_ == Reader::kNever) {
        held_.push_back(connection);
        continue;
      }
      if (reader_ == Reader::kHalfCloses) shutdown(connection, SHUT_WR);
      if (reader_ == Reader::kLimited) std::this_thread::sleep_for(200ms);
      std::string document;
      char buffer[65536];
      const std::size_t piece = reader_ == Reader::kSlow ? 8192 : sizeof buffer;
      for (ssize_t got; document.size() < read_limit_ &&
                        (got = read(connection, buffer, std::min(piece, read_limit_ - document.size()))) > 0;) {
        document.append(buffer, static_cast<std::size_t>(got));
        if (reader_ == Reader::kSlow) std::this_thread::sleep_for(100ms);
      }
      {
        const std::lock_guard lock(mutex_);
        documents_.push_back(document);
      }
      if (reader_ == Reader::kKeepsOpen || reader_ == Reader::kHalfCloses) {
        held_.push_back(connection);
        continue;
      }
      close(connection);  // once recorded: the sender may end as soon as it sees this
    }
  }

  int fd_ = socket(AF_INET, SOCK_STREAM, 0);
  int port_ = 0;
  std::size_t read_limit_;
  Reader reader_;
  std::vector<int> held_;
  std::mutex mutex_;
  std::vector<std::string> documents_;
  std::thread thread_;
};

}  // namespace testsupport

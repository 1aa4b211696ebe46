// SPDX-License-Identifier: Apache-2.0
#include "support/socket_printer.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace testsupport {

using namespace std::chrono_literals;

SocketPrinter::SocketPrinter(std::size_t read_limit, Reader reader)
    : fd_(socket(AF_INET, SOCK_STREAM, 0)),
      read_limit_(read_limit),
      reader_(read_limit != SIZE_MAX && reader == Reader::kWhole ? Reader::kLimited : reader) {
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

SocketPrinter::~SocketPrinter() {
  shutdown(fd_, SHUT_RDWR);
  thread_.join();
  close(fd_);
  for (const int held : held_) close(held);
}

std::vector<std::string> SocketPrinter::Documents() {
  const std::lock_guard lock(mutex_);
  return documents_;
}

void SocketPrinter::Serve() {
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

}  // namespace testsupport

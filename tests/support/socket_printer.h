// SPDX-License-Identifier: Apache-2.0
#pragma once
// A printer at socket://127.0.0.1:PORT of a test's own: takes connections
// one after the other, each as its `Reader` says, and records what it read.
#include <cstddef>
#include <cstdint>
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
  explicit SocketPrinter(std::size_t read_limit = SIZE_MAX, Reader reader = Reader::kWhole);
  ~SocketPrinter();
  SocketPrinter(const SocketPrinter&) = delete;
  SocketPrinter& operator=(const SocketPrinter&) = delete;

  std::string Address() const { return "socket://127.0.0.1:" + std::to_string(port_); }
  // What it read, a document a connection.
  std::vector<std::string> Documents();

 private:
  void Serve();

  int fd_;
  int port_ = 0;
  std::size_t read_limit_;
  Reader reader_;
  std::vector<int> held_;
  std::mutex mutex_;
  std::vector<std::string> documents_;
  std::thread thread_;
};

}  // namespace testsupport

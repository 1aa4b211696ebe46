#include "support/slow_server.h"

#include <cups/cups.h>
#include <signal.h>

#include <fstream>
#include <regex>

#include "support/poll.h"

namespace testsupport {
namespace {

// The loopback port the scheduler listens on, from its configuration.
std::string TcpPort(const PrivateCups& cups) {
  const std::string conf = ReadAll(cups.Folder() / "cupsd.conf");
  std::smatch port;
  if (!std::regex_search(conf, port, std::regex("Listen 127\\.0\\.0\\.1:([0-9]+)"))) ADD_FAILURE() << conf;
  return port[1];
}

}  // namespace

SlowServer::SlowServer(const PrivateCups& cups) : SlowServer({"delay", TcpPort(cups)}) {}

SlowServer::SlowServer() : SlowServer({"silent"}) {}

SlowServer::SlowServer(const std::vector<std::string>& mode) {
  std::vector<std::string> command{TORVANE_SLOW_SERVER};
  command.insert(command.end(), mode.begin(), mode.end());
  process_.emplace(command, folder_.Path());
  std::string port;
  PollUntil([&] { return !(port = ReadAll(folder_.Path() / ".out")).empty() && port.back() == '\n'; }, kSpoolerWait);
  if (!port.empty()) port.pop_back();
  address_ = "127.0.0.1:" + port;
  server_setting_.emplace("CUPS_SERVER", address_);
  cupsSetServer(nullptr);  // libcups re-reads CUPS_SERVER
}

SlowServer::~SlowServer() {
  server_setting_.reset();
  cupsSetServer(nullptr);
  if (process_ && process_->Pid() != 0) kill(process_->Pid(), SIGTERM);
}

}  // namespace testsupport

#include "support/slow_server.h"

#include <cups/cups.h>
#include <signal.h>

#include <regex>

#include "support/poll.h"

namespace testsupport {

SlowServer::SlowServer(const PrivateCups* cups) {
  std::vector<std::string> command{TORVANE_SLOW_SERVER, "silent"};
  std::smatch port;
  const std::string conf = cups != nullptr ? ReadAll(cups->Folder() / "cupsd.conf") : "";
  if (std::regex_search(conf, port, std::regex("Listen 127\\.0\\.0\\.1:([0-9]+)"))) command = {command[0], "delay", port[1]};
  process_.emplace(command, folder_.Path());
  std::string listening;
  PollUntil([&] { return (listening = ReadAll(folder_.Path() / ".out")).ends_with('\n'); }, kSpoolerWait);
  address_ = "127.0.0.1:" + listening.substr(0, listening.size() - 1);
  server_setting_.emplace("CUPS_SERVER", address_);
  cupsSetServer(nullptr);  // libcups re-reads CUPS_SERVER
}

SlowServer::~SlowServer() {
  server_setting_.reset();
  cupsSetServer(nullptr);
  if (process_->Pid() != 0) kill(process_->Pid(), SIGTERM);
}

}  // namespace testsupport

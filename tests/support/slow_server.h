// SPDX-License-Identifier: Apache-2.0
#pragma once
// A print server on a loopback port that answers late (every piece of
// `cups`'s answers 0.1 to 1 s late), or never (no `cups`): the script
// slow-server beside this file. While it lives, libcups talks to it.
#include <optional>
#include <string>

#include "support/child_process.h"
#include "support/private_cups.h"
#include "support/temp_folder.h"

namespace testsupport {

class SlowServer {
 public:
  explicit SlowServer(const PrivateCups* cups = nullptr);
  ~SlowServer();
  SlowServer(const SlowServer&) = delete;
  SlowServer& operator=(const SlowServer&) = delete;

  // "127.0.0.1:PORT", its CUPS_SERVER value.
  const std::string& Address() const { return address_; }

 private:
  TempFolder folder_;
  std::optional<ChildProcess> process_;
  std::string address_;
  std::optional<ScopedEnvironment> server_setting_;
};

}  // namespace testsupport

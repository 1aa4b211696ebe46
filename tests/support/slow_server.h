// SPDX-License-Identifier: Apache-2.0
#pragma once
// A print server that answers late or never (the script slow-server beside
// this file), on a loopback port, for as long as the object lives; while
// it does, this process's libcups talks to it (CUPS_SERVER).
#include <optional>
#include <string>

#include "support/child_process.h"
#include "support/private_cups.h"
#include "support/scoped_environment.h"
#include "support/temp_folder.h"

namespace testsupport {

class SlowServer {
 public:
  // Passes every connection on to `cups`, each piece of its answers late
  // by 0.1 to 1.0 s.
  explicit SlowServer(const PrivateCups& cups);
  // Accepts connections and never answers.
  SlowServer();
  ~SlowServer();
  SlowServer(const SlowServer&) = delete;
  SlowServer& operator=(const SlowServer&) = delete;

  // "127.0.0.1:PORT", the CUPS_SERVER value for it.
  const std::string& Address() const { return address_; }

 private:
  explicit SlowServer(const std::vector<std::string>& mode);

  TempFolder folder_;
  std::optional<ChildProcess> process_;
  std::string address_;
  std::optional<ScopedEnvironment> server_setting_;
};

}  // namespace testsupport

// SPDX-License-Identifier: Apache-2.0
#pragma once
// An environment variable set, or unset, for one scope: its earlier state
// comes back when the scope ends, also when an assertion ends a test early.
#include <cstdlib>
#include <optional>
#include <string>

#include "support/host.h"

namespace testsupport {

class ScopedEnvironment {
 public:
  // No `value`: the variable is unset.
  ScopedEnvironment(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str()); old != nullptr) previous_ = old;
    SetEnvironment(name_, value);
  }
  ~ScopedEnvironment() { SetEnvironment(name_, previous_); }

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace testsupport

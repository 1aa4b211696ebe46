// SPDX-License-Identifier: Apache-2.0
#pragma once
// An environment variable set, or unset, for one scope: its earlier state
// comes back when the scope ends, also when an assertion ends a test early.
#include <cstdlib>
#include <optional>
#include <string>

namespace testsupport {

class ScopedEnvironment {
 public:
  // No `value`: the variable is unset. (Windows holds no empty variables:
  // setting one to "" unsets it.)
  ScopedEnvironment(std::string name, const std::optional<std::string>& value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str()); old != nullptr) previous_ = old;
    Set(value);
  }
  ~ScopedEnvironment() { Set(previous_); }

 private:
  void Set(const std::optional<std::string>& value) const {
#ifdef _WIN32
    _putenv_s(name_.c_str(), value.value_or("").c_str());
#else
    value ? setenv(name_.c_str(), value->c_str(), 1) : unsetenv(name_.c_str());
#endif
  }

  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace testsupport

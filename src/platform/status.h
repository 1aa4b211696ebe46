// SPDX-License-Identifier: Apache-2.0
#pragma once
// The outcome of anything that can fail: success, or a failure with the
// reason in words a user can read. It cannot be dropped unnoticed: a caller
// handles it, passes it on, or says why it may be ignored. A function that
// also produces something returns its Status and hands the product over
// through a reference parameter.
#include <string>
#include <utility>

namespace platform {

class [[nodiscard]] Status {
 public:
  // Success.
  Status() = default;

  static Status Ok() { return {}; }
  static Status Fail(std::string reason) { return Status(std::move(reason), false); }
  // The spooler stopped answering: the document in hand is given up (and
  // removed once the spooler answers again), and every later call on the
  // same printer fails the same way at once.
  static Status Unanswered(std::string reason) { return Status(std::move(reason), true); }

  bool IsOk() const { return !failed_; }
  // Why it failed (may be empty when nothing says why); empty on success.
  const std::string& Reason() const { return reason_; }
  bool IsUnanswered() const { return unanswered_; }

  // Keeps the first failure: `other` replaces a success, never a failure.
  void Update(const Status& other) {
    if (IsOk()) *this = other;
  }

 private:
  Status(std::string reason, bool unanswered) : reason_(std::move(reason)), failed_(true), unanswered_(unanswered) {}

  std::string reason_;
  bool failed_ = false;
  bool unanswered_ = false;
};

}  // namespace platform

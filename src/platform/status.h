// SPDX-License-Identifier: Apache-2.0
#pragma once
// The outcome of anything that can fail: success, or a failure with the
// reason in words a user can read. It cannot be dropped unnoticed: a caller
// handles it, passes it on, or says why it may be ignored (IgnoreError). A
// function that also produces something returns a StatusOr of it.
#include <optional>
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

  // Drops the outcome on purpose; where it is called says why it may be.
  void IgnoreError() const {}

 private:
  Status(std::string reason, bool unanswered) : reason_(std::move(reason)), failed_(true), unanswered_(unanswered) {}

  std::string reason_;
  bool failed_ = false;
  bool unanswered_ = false;
};

// A value, or the failure that kept it from being made.
template <class T>
class [[nodiscard]] StatusOr {
 public:
  StatusOr(T value) : value_(std::move(value)) {}
  // A failure; a success without a value would be one too.
  StatusOr(Status failure)
      : outcome_(failure.IsOk() ? Status::Fail("no result was given") : std::move(failure)) {}

  bool IsOk() const { return value_.has_value(); }
  // Success while there is a value, else the failure.
  const Status& Outcome() const { return outcome_; }
  // Only while IsOk().
  T& Value() { return *value_; }
  const T& Value() const { return *value_; }

 private:
  Status outcome_;
  std::optional<T> value_;
};

}  // namespace platform

// SPDX-License-Identifier: Apache-2.0
#pragma once
// The outcome of anything that can fail: success, or a failure with the
// reason in words a user can read. It cannot be dropped unnoticed: a caller
// handles it, passes it on, or says why it may be ignored (IgnoreError). A
// function that also produces something returns a StatusOr of it.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace platform {

class [[nodiscard]] Status {
 public:
  // Success.
  Status() = default;

  static Status Ok() { return {}; }
  static Status Fail(std::string reason) { return Status(Kind::Failed, std::move(reason)); }
  // A failure because the other side stayed silent for longer than it may:
  // callers that would wait on it again give up instead.
  static Status TimedOut(std::string reason) { return Status(Kind::TimedOut, std::move(reason)); }

  bool IsOk() const { return kind_ == Kind::Ok; }
  // Why it failed (may be empty when nothing says why); empty on success.
  const std::string& Reason() const { return reason_; }
  bool IsTimedOut() const { return kind_ == Kind::TimedOut; }

  // Keeps the first failure: `other` replaces a success, never a failure.
  void Update(const Status& other) {
    if (IsOk()) *this = other;
  }

  // Drops the outcome on purpose; where it is called says why it may be.
  void IgnoreError() const {}

 private:
  enum class Kind { Ok, Failed, TimedOut };

  Status(Kind kind, std::string reason) : reason_(std::move(reason)), kind_(kind) {}

  std::string reason_;
  Kind kind_ = Kind::Ok;
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
  // The value. Asking a failure for one is a fault in the caller: the
  // program ends at once, naming the failure, rather than read a value
  // that was never made.
  T& Value() {
    CheckValue();
    return *value_;
  }
  const T& Value() const {
    CheckValue();
    return *value_;
  }
  // The value unchecked, for right after IsOk() was seen true.
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }

 private:
  void CheckValue() const {
    if (value_) return;
    std::fprintf(stderr, "StatusOr::Value() called on a failure: %s\n", outcome_.Reason().c_str());
    std::abort();
  }

  Status outcome_;
  std::optional<T> value_;
};

}  // namespace platform

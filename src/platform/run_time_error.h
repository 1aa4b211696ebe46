// SPDX-License-Identifier: Apache-2.0
#pragma once
// A run-time error ends the handler it happens in. It carries a standard
// error number (6 Overflow, 9 Subscript out of range, 75 Path/File access
// error, ...), which a message shows beside a readable description.
#include <stdexcept>
#include <string>

namespace platform {

class RunTimeError : public std::runtime_error {
 public:
  RunTimeError(int number, const std::string& description);
  int Number() const { return number_; }
  std::string Description() const { return what(); }

 private:
  int number_;
};

// The standard errors the program raises, by number.
inline constexpr int kErrOverflow = 6;
inline constexpr int kErrOutOfMemory = 7;
inline constexpr int kErrSubscriptOutOfRange = 9;
inline constexpr int kErrDivisionByZero = 11;
inline constexpr int kErrInternal = 51;
inline constexpr int kErrPathFileAccess = 75;
inline constexpr int kErrInvalidPropertyValue = 380;
inline constexpr int kErrInvalidPropertyArrayIndex = 381;

// An error with its standard text, optionally followed by detail.
RunTimeError MakeError(int number, const std::string& detail = {});

// The text a user sees for an error that ended a handler.
std::string ErrorMessageText(const RunTimeError& error);

// Skip-on-error mode: once switched on, a step that fails with a run-time
// error is abandoned silently and the caller goes on with the next step.
// Before that, errors pass through to the handler's caller.
class SkipOnError {
 public:
  void On() { on_ = true; }

  template <class Step>
  void operator()(Step&& step) {
    if (!on_) {
      step();
      return;
    }
    try {
      step();
    } catch (const RunTimeError&) {
    }
  }

 private:
  bool on_ = false;
};

}  // namespace platform

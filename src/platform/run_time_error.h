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
enum ErrorNumber : int {
  kErrOverflow = 6,
  kErrOutOfMemory = 7,
  kErrSubscriptOutOfRange = 9,
  kErrDivisionByZero = 11,
  kErrInternal = 51,
  kErrPathFileAccess = 75,
  kErrInvalidPropertyValue = 380,
  kErrInvalidPropertyArrayIndex = 381,
};

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

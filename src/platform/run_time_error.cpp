#include "platform/run_time_error.h"

namespace platform {

RunTimeError::RunTimeError(int number, const std::string& description)
    : std::runtime_error(description), number_(number) {}

namespace {

// The text shown for an error number (empty for numbers not listed).
std::string StandardErrorText(int number) {
  switch (number) {
    case kErrOverflow: return "Overflow";
    case kErrOutOfMemory: return "Out of memory";
    case kErrSubscriptOutOfRange: return "Subscript out of range";
    case kErrDivisionByZero: return "Division by zero";
    case kErrInternal: return "Internal error";
    case kErrPathFileAccess: return "Path/File access error";
    case kErrInvalidPropertyValue: return "Invalid property value";
    case kErrInvalidPropertyArrayIndex: return "Invalid property array index";
    default: return {};
  }
}

}  // namespace

RunTimeError MakeError(int number, const std::string& detail) {
  std::string text = StandardErrorText(number);
  if (!detail.empty()) text += text.empty() ? detail : ": " + detail;
  return RunTimeError(number, text);
}

std::string ErrorMessageText(const RunTimeError& error) {
  return "Run-time error '" + std::to_string(error.Number()) + "':\n\n" + error.Description();
}

}  // namespace platform

#include "platform/run_time_error.h"

namespace platform {

RunTimeError::RunTimeError(int number, const std::string& description)
    : std::runtime_error(description), number_(number) {}

std::string StandardErrorText(int number) {
  switch (number) {
    case kErrInvalidProcedureCall: return "Invalid procedure call or argument";
    case kErrOverflow: return "Overflow";
    case kErrOutOfMemory: return "Out of memory";
    case kErrSubscriptOutOfRange: return "Subscript out of range";
    case kErrDivisionByZero: return "Division by zero";
    case kErrTypeMismatch: return "Type mismatch";
    case kErrInternal: return "Internal error";
    case kErrFileNotFound: return "File not found";
    case kErrBadFileMode: return "Bad file mode";
    case kErrDeviceIo: return "Device I/O error";
    case kErrInputPastEnd: return "Input past end of file";
    case kErrPermissionDenied: return "Permission denied";
    case kErrPathFileAccess: return "Path/File access error";
    case kErrInvalidPropertyValue: return "Invalid property value";
    case kErrInvalidPropertyArrayIndex: return "Invalid property array index";
    case kErrPrinter: return "Printer error";
    default: return {};
  }
}

RunTimeError MakeError(int number, const std::string& detail) {
  std::string text = StandardErrorText(number);
  if (!detail.empty()) text += text.empty() ? detail : ": " + detail;
  return RunTimeError(number, text);
}

std::string ErrorMessageText(const RunTimeError& error) {
  return "Run-time error '" + std::to_string(error.Number()) + "':\n\n" + error.Description();
}

}  // namespace platform

// The spooler on Windows, through winspool. The wide-character calls are
// used so that printer and document names outside the ANSI code page reach
// the spooler intact; names travel as UTF-8 everywhere else in the program.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <winspool.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/job_name.h"
#include "platform/spooler.h"

namespace platform {
namespace {

// Invalid UTF-8 becomes U+FFFD (no MB_ERR_INVALID_CHARS).
std::wstring Utf8ToUtf16(std::string_view text) {
  if (text.empty()) return {};
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
  if (length > 0) {
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
  }
  return wide;
}

std::string Utf16ToUtf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(std::max(length, 0)), '\0');
  if (length > 0) {
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                        nullptr, nullptr);
  }
  return text;
}

// The system's text for an error code, without its trailing line break.
std::string SystemErrorText(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  std::wstring_view wide(buffer, buffer != nullptr ? length : 0);
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ')) {
    wide.remove_suffix(1);
  }
  std::string text = Utf16ToUtf8(wide);
  if (buffer != nullptr) LocalFree(buffer);
  if (text.empty()) text = "error " + std::to_string(error);
  return text;
}

// `what` followed by the system's reason. Callers take GetLastError()
// right after the failing call, before anything else can change it.
SpoolResult Failure(std::string_view what, DWORD error) {
  return SpoolResult::Fail(std::string(what) + ": " + SystemErrorText(error));
}

class WinConnection final : public PrinterConnection {
 public:
  explicit WinConnection(HANDLE printer) : printer_(printer) {}
  ~WinConnection() override { Close(); }

  SpoolResult StartDoc(const std::string& document_name) override {
    if (state_ == State::kClosed) return SpoolResult::Fail("the printer is closed");
    if (state_ != State::kNoDocument) return SpoolResult::Fail("a document is already open");
    std::wstring name = Utf8ToUtf16(JobName(document_name));
    DOC_INFO_1W info{};
    info.pDocName = name.data();
    info.pOutputFile = nullptr;  // to the printer itself
    info.pDatatype = nullptr;    // the printer's default data type
    if (StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&info)) == 0) {
      return Failure("the spooler did not start the document", GetLastError());
    }
    state_ = State::kDocument;
    return SpoolResult::Ok();
  }

  SpoolResult StartPage() override {
    if (auto open = DocumentOpen(); !open) return open;
    if (!StartPagePrinter(printer_))
      return Failure("the spooler did not start the page", GetLastError());
    return SpoolResult::Ok();
  }

  SpoolResult Write(const void* data, std::size_t size, std::size_t& written) override {
    written = 0;
    if (auto open = DocumentOpen(); !open) return open;
    if (size == 0) return SpoolResult::Ok();
    // WritePrinter counts in DWORDs; the caller offers the rest again.
    const DWORD offered = static_cast<DWORD>(std::min<std::size_t>(size, 0x7FFFFFFF));
    DWORD taken = 0;
    if (!WritePrinter(printer_, const_cast<void*>(data), offered, &taken)) {
      return Failure("the spooler did not take the data", GetLastError());
    }
    // Success with nothing taken would make the caller offer the same bytes
    // forever.
    if (taken == 0) return SpoolResult::Fail("the spooler took none of the data");
    written = taken;
    return SpoolResult::Ok();
  }

  SpoolResult EndPage() override {
    if (auto open = DocumentOpen(); !open) return open;
    if (!EndPagePrinter(printer_))
      return Failure("the spooler did not end the page", GetLastError());
    return SpoolResult::Ok();
  }

  SpoolResult EndDoc() override {
    if (auto open = DocumentOpen(); !open) return open;
    state_ = State::kNoDocument;
    if (!EndDocPrinter(printer_)) {
      SpoolResult failed = Failure("the spooler did not end the document", GetLastError());
      // Whatever of the document reached the spooler must not print.
      AbortPrinter(printer_);
      return failed;
    }
    return SpoolResult::Ok();
  }

  SpoolResult CancelDoc() override {
    if (auto open = DocumentOpen(); !open) return open;
    state_ = State::kNoDocument;
    if (!AbortPrinter(printer_))
      return Failure("the document could not be cancelled", GetLastError());
    return SpoolResult::Ok();
  }

  SpoolResult Close() override {
    if (state_ == State::kClosed) return SpoolResult::Ok();
    SpoolResult result = SpoolResult::Ok();
    // A document left open is removed, never half printed.
    if (state_ == State::kDocument) result = CancelDoc();
    state_ = State::kClosed;
    if (!ClosePrinter(printer_) && result)
      result = Failure("the printer did not close", GetLastError());
    printer_ = nullptr;
    return result;
  }

 private:
  enum class State { kNoDocument, kDocument, kClosed };

  SpoolResult DocumentOpen() const {
    if (state_ == State::kClosed) return SpoolResult::Fail("the printer is closed");
    if (state_ == State::kNoDocument) return SpoolResult::Fail("no document is open");
    return SpoolResult::Ok();
  }

  HANDLE printer_;
  State state_ = State::kNoDocument;
};

class WinSpooler final : public Spooler {
 public:
  std::unique_ptr<PrinterConnection> Open(const std::string& printer_name,
                                          SpoolResult& result) override {
    std::wstring name = Utf8ToUtf16(printer_name);
    HANDLE printer = nullptr;
    if (name.empty()) {
      result = SpoolResult::Fail("no printer name given");
      return nullptr;
    }
    if (!OpenPrinterW(name.data(), &printer, nullptr)) {
      const DWORD error = GetLastError();
      result = Failure("the printer \"" + printer_name + "\" cannot be opened", error);
      return nullptr;
    }
    result = SpoolResult::Ok();
    return std::make_unique<WinConnection>(printer);
  }

  // Local printers and printer connections, in the spooler's order.
  std::vector<std::string> PrinterNames() override {
    constexpr DWORD kFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0;
    DWORD count = 0;
    std::unique_ptr<PRINTER_INFO_4W[]> info;
    // A printer added between the size query and the listing makes the
    // buffer too small; ask again with the new size.
    for (int attempt = 0; attempt < 3; ++attempt) {
      const DWORD slots = needed / sizeof(PRINTER_INFO_4W) + 1;
      info = std::make_unique<PRINTER_INFO_4W[]>(slots);
      const DWORD size = slots * static_cast<DWORD>(sizeof(PRINTER_INFO_4W));
      if (EnumPrintersW(kFlags, nullptr, 4, reinterpret_cast<LPBYTE>(info.get()), size, &needed,
                        &count)) {
        std::vector<std::string> names;
        names.reserve(count);
        for (DWORD i = 0; i < count; ++i) {
          if (info[i].pPrinterName != nullptr) names.push_back(Utf16ToUtf8(info[i].pPrinterName));
        }
        return names;
      }
      if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    }
    return {};
  }
};

}  // namespace

std::unique_ptr<Spooler> MakeSystemSpooler() { return std::make_unique<WinSpooler>(); }

}  // namespace platform

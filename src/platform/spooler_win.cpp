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
// wingdi.h names StartDocA/StartDocW StartDoc, which would rename the
// seam's method in this file only.
#undef StartDoc

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/job_name.h"
#include "platform/spooler.h"

// The driver attribute of XPS-based printer drivers (DRIVER_INFO_8), which
// older MinGW headers lack.
#ifndef PRINTER_DRIVER_XPS
#define PRINTER_DRIVER_XPS 0x00000002
#endif

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
  // A call that fails without saying why leaves the cleared code behind;
  // "The operation completed successfully" would be no reason at all.
  if (error == ERROR_SUCCESS) return "no reason given";
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

// Runs one spooler call and, when it fails, says why. The error code is
// cleared first: after a success it holds whatever an earlier call left,
// and some spoolers fail without setting it.
template <class Call>
SpoolResult Checked(std::string_view what, Call&& call) {
  SetLastError(ERROR_SUCCESS);
  if (call()) return SpoolResult::Ok();
  const DWORD error = GetLastError();
  return SpoolResult::Fail(std::string(what) + ": " + SystemErrorText(error));
}

// Raw data through an XPS-based driver needs the data type "XPS_PASS": with
// the printer's default type such drivers take the bytes and spool nothing.
// Every other driver gets no data type, so the printer's own default
// applies. A driver that cannot be asked (level 8 is unknown before
// Windows Vista) counts as not XPS-based.
const wchar_t* RawDataType(HANDLE printer) {
  DWORD needed = 0;
  GetPrinterDriverW(printer, nullptr, 8, nullptr, 0, &needed);
  if (needed < sizeof(DRIVER_INFO_8W)) return nullptr;
  // DRIVER_INFO_8W holds pointers and 64-bit fields: align the buffer for it.
  std::vector<DRIVER_INFO_8W> info(needed / sizeof(DRIVER_INFO_8W) + 1);
  if (!GetPrinterDriverW(printer, nullptr, 8, reinterpret_cast<LPBYTE>(info.data()),
                         static_cast<DWORD>(info.size() * sizeof(DRIVER_INFO_8W)), &needed)) {
    return nullptr;
  }
  return (info[0].dwPrinterDriverAttributes & PRINTER_DRIVER_XPS) != 0 ? L"XPS_PASS" : nullptr;
}

class WinConnection final : public PrinterConnection {
 public:
  WinConnection(HANDLE printer, const wchar_t* data_type) : printer_(printer), data_type_(data_type) {}
  ~WinConnection() override { Close(); }

  SpoolResult StartDoc(const std::string& document_name) override {
    if (state_ == State::kClosed) return SpoolResult::Fail("the printer is closed");
    if (state_ == State::kDocument || state_ == State::kBroken) {
      return SpoolResult::Fail("a document is already open");
    }
    std::wstring name = Utf8ToUtf16(JobName(document_name));
    DOC_INFO_1W info{};
    info.pDocName = name.data();
    info.pOutputFile = nullptr;  // to the printer itself
    info.pDatatype = const_cast<wchar_t*>(data_type_);
    DWORD job = 0;
    if (auto r = Checked("the spooler did not start the document",
                         [&] { return (job = StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&info))) != 0; });
        !r) {
      return r;
    }
    job_ = job;
    state_ = State::kDocument;
    return SpoolResult::Ok();
  }

  SpoolResult StartPage() override {
    if (auto open = DocumentOpen(); !open) return open;
    return Checked("the spooler did not start the page", [&] { return StartPagePrinter(printer_); });
  }

  SpoolResult Write(const void* data, std::size_t size, std::size_t& written) override {
    written = 0;
    if (auto open = DocumentOpen(); !open) return open;
    if (size == 0) return SpoolResult::Ok();
    // WritePrinter counts in DWORDs; the caller offers the rest again.
    const DWORD offered = static_cast<DWORD>(std::min<std::size_t>(size, 0x7FFFFFFF));
    DWORD taken = 0;
    if (auto r = Checked("the spooler did not take the data",
                         [&] { return WritePrinter(printer_, const_cast<void*>(data), offered, &taken); });
        !r) {
      return Break(r);
    }
    // Success with nothing taken would make the caller offer the same bytes
    // forever.
    if (taken == 0) return Break(SpoolResult::Fail("the spooler took none of the data"));
    written = std::min<std::size_t>(taken, offered);
    return SpoolResult::Ok();
  }

  SpoolResult EndPage() override {
    if (auto open = DocumentOpen(); !open) return open;
    return Checked("the spooler did not end the page", [&] { return EndPagePrinter(printer_); });
  }

  // Ends the document either way; what reached the spooler of a document
  // that does not end well is removed, so that none of it prints.
  SpoolResult EndDoc() override {
    if (state_ == State::kBroken) {
      // A document that lost data must not print.
      const SpoolResult broken = std::exchange(failure_, {});
      state_ = State::kEndFailed;
      return AlsoSaying(broken, Discard());
    }
    if (auto open = DocumentOpen(); !open) return open;
    const SpoolResult ended = Checked("the spooler did not end the document", [&] { return EndDocPrinter(printer_); });
    if (ended) {
      state_ = State::kNoDocument;
      return ended;
    }
    state_ = State::kEndFailed;
    return AlsoSaying(ended, DeleteJobIfHeld());
  }

  SpoolResult CancelDoc() override {
    switch (state_) {
      case State::kClosed:
        return SpoolResult::Fail("the printer is closed");
      case State::kNoDocument:
        return SpoolResult::Fail("no document is open");
      case State::kEndFailed:
        // Its failed end removed it already, or said that it could not.
        state_ = State::kNoDocument;
        return SpoolResult::Ok();
      case State::kDocument:
      case State::kBroken:
        break;
    }
    state_ = State::kNoDocument;
    failure_ = {};
    return Discard();
  }

  SpoolResult Close() override {
    if (state_ == State::kClosed) return SpoolResult::Ok();
    SpoolResult result = SpoolResult::Ok();
    // A document left open is removed, never half printed.
    if (state_ == State::kDocument || state_ == State::kBroken) result = CancelDoc();
    state_ = State::kClosed;
    if (auto closed = Checked("the printer did not close", [&] { return ClosePrinter(printer_); }); !closed && result) {
      result = closed;
    }
    printer_ = nullptr;
    return result;
  }

 private:
  enum class State {
    kNoDocument,
    kDocument,
    kBroken,     // a write failed; the document can only be ended or cancelled
    kEndFailed,  // ended without success and removed; a cancel may follow
    kClosed,
  };

  SpoolResult DocumentOpen() const {
    if (state_ == State::kDocument) return SpoolResult::Ok();
    if (state_ == State::kBroken) return failure_;
    if (state_ == State::kClosed) return SpoolResult::Fail("the printer is closed");
    return SpoolResult::Fail("no document is open");
  }

  SpoolResult Break(SpoolResult failure) {
    state_ = State::kBroken;
    failure_ = failure;
    return failure;
  }

  // `failure`, followed by why its document could not be removed if so.
  static SpoolResult AlsoSaying(const SpoolResult& failure, const SpoolResult& removal) {
    if (removal) return failure;
    return SpoolResult::Fail(failure.reason + "; " + removal.reason);
  }

  // Removes the open document so that none of it prints.
  SpoolResult Discard() {
    if (auto r = Checked("the document could not be cancelled", [&] { return AbortPrinter(printer_); }); !r) {
      return r;
    }
    return DeleteJobIfHeld();
  }

  // Whether the spooler still holds the document's job, other than to
  // delete it. Asked for the size of the job's details, a spooler answers
  // with the size only for a job it has.
  bool JobHeld() const {
    DWORD needed = 0;
    SetLastError(ERROR_SUCCESS);  // some spoolers fail here without a code
    if (GetJobW(printer_, job_, 1, nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    std::vector<JOB_INFO_1W> info(needed / sizeof(JOB_INFO_1W) + 1);
    if (!GetJobW(printer_, job_, 1, reinterpret_cast<LPBYTE>(info.data()),
                 static_cast<DWORD>(info.size() * sizeof(JOB_INFO_1W)), &needed)) {
      return false;
    }
    return (info[0].Status & (JOB_STATUS_DELETING | JOB_STATUS_DELETED)) == 0;
  }

  // The document's job, if the spooler still holds it, is deleted, and a
  // job that stays is reported: a spooler may take AbortPrinter and
  // JOB_CONTROL_DELETE without doing either, and a document that failed to
  // end may still be queued.
  SpoolResult DeleteJobIfHeld() {
    if (!JobHeld()) return SpoolResult::Ok();
    if (auto r = Checked("the document's job could not be deleted",
                         [&] { return SetJobW(printer_, job_, 0, nullptr, JOB_CONTROL_DELETE); });
        !r) {
      return r;
    }
    if (JobHeld()) return SpoolResult::Fail("the spooler still holds the document's job after deleting it");
    return SpoolResult::Ok();
  }

  HANDLE printer_;
  const wchar_t* data_type_;
  DWORD job_ = 0;  // the spooler's id of the document's job
  State state_ = State::kNoDocument;
  SpoolResult failure_;  // why the document broke
};

class WinSpooler final : public Spooler {
 public:
  // winspool's calls cannot be cut short: the job looks at its stop request
  // between them.
  std::unique_ptr<PrinterConnection> Open(const std::string& printer_name, StopCheck,
                                          SpoolResult& result) override {
    std::wstring name = Utf8ToUtf16(printer_name);
    if (name.empty()) {
      result = SpoolResult::Fail("no printer name given");
      return nullptr;
    }
    HANDLE printer = nullptr;
    result = Checked("the printer \"" + printer_name + "\" cannot be opened",
                     [&] { return OpenPrinterW(name.data(), &printer, nullptr); });
    if (!result) return nullptr;
    return std::make_unique<WinConnection>(printer, RawDataType(printer));
  }

  // Local printers and printer connections, in the spooler's order.
  PrinterListing PrinterNames() override {
    constexpr DWORD kFlags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    DWORD needed = 0;
    DWORD count = 0;
    // A printer added between the size query and the listing makes the
    // buffer too small; ask again with the new size.
    for (int attempt = 0; attempt < 3; ++attempt) {
      std::vector<PRINTER_INFO_4W> info(needed / sizeof(PRINTER_INFO_4W) + 1);
      const auto size = static_cast<DWORD>(info.size() * sizeof(PRINTER_INFO_4W));
      if (EnumPrintersW(kFlags, nullptr, 4, reinterpret_cast<LPBYTE>(info.data()), size, &needed, &count)) {
        PrinterListing listing;
        for (DWORD i = 0; i < count; ++i) {
          if (info[i].pPrinterName != nullptr) listing.names.push_back(Utf16ToUtf8(info[i].pPrinterName));
        }
        return listing;
      }
      if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    }
    return {{}, "the printers cannot be listed: " + SystemErrorText(GetLastError())};
  }

  std::string DefaultPrinterName() override {
    DWORD size = 0;
    GetDefaultPrinterW(nullptr, &size);
    if (size == 0) return {};
    std::wstring name(size, L'\0');
    if (!GetDefaultPrinterW(name.data(), &size) || size == 0 || size > name.size()) return {};
    name.resize(size - 1);  // the size counts the terminating null
    return Utf16ToUtf8(name);
  }
};

}  // namespace

std::unique_ptr<Spooler> MakeSystemSpooler() { return std::make_unique<WinSpooler>(); }

}  // namespace platform

// SPDX-License-Identifier: Apache-2.0
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

#include "platform/spooler/spooler.h"
#include "platform/wide_text_win.h"

// The driver attribute of XPS-based printer drivers (DRIVER_INFO_8), which
// older MinGW headers lack.
#ifndef PRINTER_DRIVER_XPS
#define PRINTER_DRIVER_XPS 0x00000002
#endif

namespace platform {
namespace {

// Runs one spooler call and, when it fails, says why. The error code is
// cleared first: after a success it holds whatever an earlier call left,
// and some spoolers fail without setting it.
template <class Call>
Status Checked(std::string_view what, Call&& call) {
  SetLastError(ERROR_SUCCESS);
  if (call()) return Status::Ok();
  const DWORD error = GetLastError();
  return Status::Fail(std::string(what) + ": " + SystemErrorText(error));
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

// A job's details at level `Level` (JOB_INFO_1W, JOB_INFO_2W), or none
// when the spooler does not hold the job. Asked for the size of a job's
// details, a spooler answers with the size only for a job it has.
template <class Info>
std::vector<Info> JobInfo(HANDLE printer, DWORD job, DWORD level) {
  DWORD needed = 0;
  SetLastError(ERROR_SUCCESS);  // some spoolers fail here without a code
  if (GetJobW(printer, job, level, nullptr, 0, &needed) || GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
  // Aligned for the record, which holds pointers; its strings follow it.
  std::vector<Info> info(needed / sizeof(Info) + 1);
  if (!GetJobW(printer, job, level, reinterpret_cast<LPBYTE>(info.data()),
               static_cast<DWORD>(info.size() * sizeof(Info)), &needed)) {
    return {};
  }
  return info;
}

// Whether the spooler is deleting the printer, or has lost it.
bool Removed(HANDLE printer) {
  DWORD needed = 0;
  GetPrinterW(printer, 6, nullptr, 0, &needed);
  PRINTER_INFO_6 info{};
  if (needed > sizeof info || !GetPrinterW(printer, 6, reinterpret_cast<LPBYTE>(&info), sizeof info, &needed)) {
    return false;
  }
  return (info.dwStatus & (PRINTER_STATUS_PENDING_DELETION | PRINTER_STATUS_NOT_AVAILABLE)) != 0;
}

class WinPort final : public PrinterPort {
 public:
  WinPort(std::wstring name, HANDLE printer, const wchar_t* data_type)
      : name_(std::move(name)), printer_(printer), data_type_(data_type) {}
  // A port is closed by its printer, which reports how that went; closing
  // here only lets go of a handle still held, with no one left to tell.
  ~WinPort() override { Close().IgnoreError(); }

  // StartDocPrinterW answers with the job's id.
  StatusOr<int> CreateJob(const std::string& job_name) override {
    if (printer_ == nullptr) return Status::Fail("the printer could not be opened again");
    std::wstring name = Utf8ToUtf16(job_name);
    DOC_INFO_1W info{};
    info.pDocName = name.data();
    info.pOutputFile = nullptr;  // to the printer itself
    info.pDatatype = const_cast<wchar_t*>(data_type_);
    DWORD job = 0;
    if (auto r = Checked("the spooler did not start the document",
                         [&] { return (job = StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&info))) != 0; });
        !r.IsOk()) {
      return r;
    }
    job_ = job;
    document_open_ = true;
    sent_any_ = false;
    // A document without its page is no document: it goes again.
    const Status page = Checked("the spooler did not start the page", [&] { return StartPagePrinter(printer_); });
    if (page.IsOk()) return static_cast<int>(job);
    const Status discarded = Discard();
    return discarded.IsOk() ? page : WithFailedRemoval(page, discarded);
  }

  Status Send(const void* data, std::size_t size, std::size_t& written) override {
    written = 0;
    // WritePrinter counts in DWORDs; the caller offers the rest again.
    const DWORD offered = static_cast<DWORD>(std::min<std::size_t>(size, 0x7FFFFFFF));
    DWORD taken = 0;
    if (auto r = Checked("the spooler did not take the data",
                         [&] { return WritePrinter(printer_, const_cast<void*>(data), offered, &taken); });
        !r.IsOk()) {
      return r;
    }
    written = taken;
    sent_any_ = sent_any_ || taken > 0;
    return Status::Ok();
  }

  Status Finish() override {
    // Refused as CUPS refuses it: Windows would queue a document that
    // prints nothing, and the file would pass for printed.
    if (!sent_any_) return Status::Fail(std::string(kEmptyDocumentReason));
    if (auto r = Checked("the spooler did not end the page", [&] { return EndPagePrinter(printer_); }); !r.IsOk()) {
      return r;
    }
    // The document is over either way.
    document_open_ = false;
    return Checked("the spooler did not end the document", [&] { return EndDocPrinter(printer_); });
  }

  // The job is deleted by its id, and the open document aborted; a job the
  // spooler still holds after both is one it would print once its printer
  // is closed (Wine's spooler takes both calls and does neither, then
  // hands what it got to the printer when the handle is closed). Such a
  // document is set aside unended.
  Status Discard() override {
    if (job_ != 0) SetJobW(printer_, job_, 0, nullptr, JOB_CONTROL_DELETE);  // judged by JobHeld below
    if (std::exchange(document_open_, false)) AbortPrinter(printer_);
    if (!JobHeld()) return Status::Ok();
    return SetAside();
  }

  Status Close() override {
    if (printer_ == nullptr) return Status::Ok();
    const Status closed = Checked("the printer did not close", [&] { return ClosePrinter(printer_); });
    printer_ = nullptr;
    return closed;
  }

 private:
  // Whether the spooler still holds the document's job, other than to
  // delete it.
  bool JobHeld() const {
    const auto info = JobInfo<JOB_INFO_1W>(printer_, job_, 1);
    return !info.empty() && (info[0].Status & (JOB_STATUS_DELETING | JOB_STATUS_DELETED)) == 0;
  }

  // Leaves the handle that holds an undeletable document open for the
  // rest of the process, so that the document never ends: a spooler ends
  // the open document of a handle that is closed, and a process that ends
  // without closing it leaves the document unsent. A handle of its own
  // takes the documents that follow.
  Status SetAside() {
    printer_ = nullptr;
    job_ = 0;
    HANDLE fresh = nullptr;
    if (auto r = Checked("the printer could not be opened again after setting a document aside",
                         [&] { return OpenPrinterW(name_.data(), &fresh, nullptr); });
        !r.IsOk()) {
      return r;
    }
    printer_ = fresh;
    return Status::Ok();
  }

  std::wstring name_;
  HANDLE printer_;
  const wchar_t* data_type_;
  DWORD job_ = 0;  // the spooler's id of the document's job
  bool document_open_ = false;
  bool sent_any_ = false;  // whether the document has any byte yet
};

// The words for a job's status bits that stop it on its printer.
std::string StoppedBy(DWORD status) {
  const struct {
    DWORD bit;
    const char* words;
  } kStops[] = {
      {JOB_STATUS_ERROR, "error"},
      {JOB_STATUS_OFFLINE, "the printer is offline"},
      {JOB_STATUS_PAPEROUT, "out of paper"},
      {JOB_STATUS_USER_INTERVENTION, "the printer needs attention"},
      {JOB_STATUS_BLOCKED_DEVQ, "blocked"},
  };
  std::string text;
  for (const auto& stop : kStops) {
    if ((status & stop.bit) == 0) continue;
    if (!text.empty()) text += ", ";
    text += stop.words;
  }
  return text;
}

class WinSpooler final : public Spooler {
 public:
  // winspool's calls cannot be cut short: the job looks at its stop request
  // between them.
  StatusOr<std::unique_ptr<PrinterPort>> Open(const std::string& printer_name, StopCheck) override {
    std::wstring name = Utf8ToUtf16(printer_name);
    if (name.empty()) return Status::Fail("no printer name given");
    HANDLE printer = nullptr;
    if (auto opened = Checked("the printer \"" + printer_name + "\" cannot be opened",
                              [&] { return OpenPrinterW(name.data(), &printer, nullptr); });
        !opened.IsOk()) {
      return opened;
    }
    // A printer being deleted still opens while handles to it are open.
    if (Removed(printer)) {
      ClosePrinter(printer);
      return Status::Fail("the printer \"" + printer_name + "\" has been removed");
    }
    return std::unique_ptr<PrinterPort>(std::make_unique<WinPort>(std::move(name), printer, RawDataType(printer)));
  }

  // Local printers and printer connections, in the spooler's order.
  PrinterListing PrinterNames(StopCheck) override {
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
    return {{}, Status::Fail("the printers cannot be listed: " + SystemErrorText(GetLastError()))};
  }

  // GetJobW's JOB_INFO_2W. A job that has left the queue is gone: Windows
  // removes printed jobs unless the printer keeps them. The local spooler
  // answers these at once, so there is no wait to cut short.
  DocumentStatus DocumentStatusOf(const std::string& printer_name, int job_id, StopCheck) override {
    DocumentStatus status;
    status.gone_may_have_printed = true;
    std::wstring name = Utf8ToUtf16(printer_name);
    HANDLE printer = nullptr;
    if (auto opened = Checked("the printer cannot be opened", [&] { return OpenPrinterW(name.data(), &printer, nullptr); });
        !opened.IsOk()) {
      status.asked = opened;
      return status;
    }
    const auto info = JobInfo<JOB_INFO_2W>(printer, static_cast<DWORD>(job_id), 2);
    ClosePrinter(printer);
    if (info.empty()) return status;
    const DWORD bits = info[0].Status;
    const std::string words = info[0].pStatus != nullptr ? Utf16ToUtf8(info[0].pStatus) : std::string();
    status.printer_message = words;
    if ((bits & (JOB_STATUS_DELETING | JOB_STATUS_DELETED)) != 0) {
      status.state = DocumentState::Cancelled;
      status.reasons = "deleted";
    } else if ((bits & (JOB_STATUS_PRINTED | JOB_STATUS_COMPLETE)) != 0) {
      status.state = DocumentState::Completed;
    } else {
      status.state = (bits & JOB_STATUS_PAUSED) != 0                                ? DocumentState::Held
                     : (bits & (JOB_STATUS_PRINTING | JOB_STATUS_SPOOLING)) != 0 ? DocumentState::Processing
                                                                                  : DocumentState::Pending;
      status.reasons = StoppedBy(bits);
      status.printer_stopped = !status.reasons.empty();
      if (status.printer_stopped) status.stopped_reason = words.empty() ? status.reasons : words;
    }
    return status;
  }

  // GetPrinterW's PRINTER_INFO_2W: its status bits, as words.
  PrinterState StateOfPrinter(const std::string& printer_name, StopCheck) override {
    PrinterState state;
    std::wstring name = Utf8ToUtf16(printer_name);
    HANDLE printer = nullptr;
    if (auto opened = Checked("the printer cannot be opened", [&] { return OpenPrinterW(name.data(), &printer, nullptr); });
        !opened.IsOk()) {
      state.asked = opened;
      return state;
    }
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<unsigned char> buffer(needed + sizeof(PRINTER_INFO_2W));
    const bool got = GetPrinterW(printer, 2, buffer.data(), static_cast<DWORD>(buffer.size()), &needed) != 0;
    const DWORD error = GetLastError();
    ClosePrinter(printer);
    if (!got) return {{}, {}, {}, Status::Fail("the printer's state could not be asked: " + SystemErrorText(error))};
    const auto& info = *reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
    constexpr std::pair<DWORD, const char*> kWords[] = {
        {PRINTER_STATUS_PAUSED, "paused"},       {PRINTER_STATUS_ERROR, "error"},
        {PRINTER_STATUS_PAPER_OUT, "out of paper"}, {PRINTER_STATUS_PAPER_JAM, "paper jam"},
        {PRINTER_STATUS_OFFLINE, "offline"},     {PRINTER_STATUS_DOOR_OPEN, "door open"},
        {PRINTER_STATUS_TONER_LOW, "toner low"}, {PRINTER_STATUS_NO_TONER, "no toner"},
        {PRINTER_STATUS_USER_INTERVENTION, "needs attention"}};
    for (const auto& [bit, word] : kWords) {
      if ((info.Status & bit) != 0) state.reasons += (state.reasons.empty() ? "" : ", ") + std::string(word);
    }
    const DWORD stopping = PRINTER_STATUS_PAUSED | PRINTER_STATUS_ERROR | PRINTER_STATUS_PAPER_OUT |
                           PRINTER_STATUS_PAPER_JAM | PRINTER_STATUS_OFFLINE | PRINTER_STATUS_DOOR_OPEN |
                           PRINTER_STATUS_NO_TONER | PRINTER_STATUS_USER_INTERVENTION;
    state.state = (info.Status & stopping) != 0 ? "stopped" : info.cJobs > 0 ? "printing" : "idle";
    return state;
  }

  // The local spooler answers at once: no wait to cut short.
  DefaultPrinter DefaultPrinterName(StopCheck) override {
    DWORD size = 0;
    GetDefaultPrinterW(nullptr, &size);
    if (size == 0) return {};
    std::wstring name(size, L'\0');
    if (!GetDefaultPrinterW(name.data(), &size) || size == 0 || size > name.size()) return {};
    name.resize(size - 1);  // the size counts the terminating null
    return {Utf16ToUtf8(name), Status::Ok()};
  }
};

}  // namespace

std::unique_ptr<Spooler> MakeSystemSpooler() { return std::make_unique<WinSpooler>(); }

}  // namespace platform

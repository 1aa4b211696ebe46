#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <csignal>
#include <cwchar>
#include <iostream>
#include <streambuf>
#include <string>
#include <vector>

#include "platform/wide_text_win.h"
#include "watch/service.h"

namespace watch {
namespace {

const std::function<int()>* service_run = nullptr;
SERVICE_STATUS_HANDLE status_handle = nullptr;
SERVICE_STATUS status{SERVICE_WIN32_OWN_PROCESS, SERVICE_START_PENDING, 0, NO_ERROR, 0, 0, 0};
int exit_status = 0;

// A stop takes the piece in hand to its end first; the manager is told to
// allow for that.
constexpr DWORD kStopHint = 30000;

void Report(DWORD state, DWORD accepted = 0) {
  status.dwCurrentState = state;
  status.dwControlsAccepted = accepted;
  status.dwWaitHint = state == SERVICE_STOP_PENDING ? kStopHint : 0;
  SetServiceStatus(status_handle, &status);
}

DWORD WINAPI OnControl(DWORD control, DWORD, void*, void*) {
  if (control == SERVICE_CONTROL_INTERROGATE) return NO_ERROR;
  if (control != SERVICE_CONTROL_STOP && control != SERVICE_CONTROL_SHUTDOWN) return ERROR_CALL_NOT_IMPLEMENTED;
  if (status.dwCurrentState == SERVICE_RUNNING) {
    Report(SERVICE_STOP_PENDING);
    // The same stop as Ctrl+C: after the piece in hand, the document in
    // progress taken back and its file returned to the folder.
    std::raise(SIGTERM);
  }
  return NO_ERROR;
}

// A service has no console: what the watcher tells goes to the
// Application event log instead, an event a line, its troubles as warnings.
class EventLogLines final : public std::streambuf {
 public:
  EventLogLines(HANDLE source, WORD type) : source_(source), type_(type) {}
  // Reports what is left of a line. (A flush does not: std::cerr flushes
  // at every piece.)
  void Finish() { Report(); }

 protected:
  int overflow(int c) override {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    if (c == '\n') {
      Report();
    } else {
      line_ += static_cast<char>(c);
    }
    return c;
  }

 private:
  void Report() {
    if (line_.empty()) return;
    const std::wstring text = platform::Utf8ToUtf16(line_);
    const wchar_t* strings[] = {text.c_str()};
    ReportEventW(source_, type_, 0, 0, nullptr, 1, 0, strings, nullptr);
    line_.clear();
  }

  HANDLE source_;
  WORD type_;
  std::string line_;
};

int RunLoggingToEventLog() {
  const HANDLE source = RegisterEventSourceW(nullptr, L"torvane-send");
  if (source == nullptr) return (*service_run)();
  EventLogLines out(source, EVENTLOG_INFORMATION_TYPE), err(source, EVENTLOG_WARNING_TYPE);
  auto* const old_out = std::cout.rdbuf(&out);
  auto* const old_err = std::cerr.rdbuf(&err);
  const int result = (*service_run)();
  std::cout.rdbuf(old_out);
  std::cerr.rdbuf(old_err);
  out.Finish();
  err.Finish();
  DeregisterEventSource(source);
  return result;
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
  status_handle = RegisterServiceCtrlHandlerExW(L"", OnControl, nullptr);
  if (status_handle == nullptr) return;
  Report(SERVICE_RUNNING, SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN);
  exit_status = RunLoggingToEventLog();
  const bool ended_well = exit_status == 0 || exit_status == 130;  // 130: stopped when told to
  status.dwWin32ExitCode = ended_well ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR;
  status.dwServiceSpecificExitCode = ended_well ? 0 : static_cast<DWORD>(exit_status);
  Report(SERVICE_STOPPED);
}

// Whether the service control manager started this process: services.exe
// is its parent. Asked before the dispatcher is, because Wine's dispatcher
// waits 10 s for a manager that never started the process.
bool StartedByServiceManager() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return true;  // unknown: the dispatcher tells
  std::vector<PROCESSENTRY32W> processes;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    processes.push_back(entry);
  }
  CloseHandle(snapshot);
  const auto find = [&processes](DWORD id) -> const PROCESSENTRY32W* {
    for (const auto& process : processes) {
      if (process.th32ProcessID == id) return &process;
    }
    return nullptr;
  };
  const auto* self = find(GetCurrentProcessId());
  if (self == nullptr) return true;
  const auto* parent = find(self->th32ParentProcessID);
  return parent != nullptr && _wcsicmp(parent->szExeFile, L"services.exe") == 0;
}

// From a console: Ctrl+Break, the console closed, the user logging off or
// the system shutting down stop the watcher as Ctrl+C does (Ctrl+C itself
// is the C runtime's SIGINT). Windows ends the process once the handler
// returns from the last three, so it waits for the watcher to end first;
// the system allows it only a few seconds.
constexpr DWORD kEndWait = 20000;
HANDLE run_ended = nullptr;

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event == CTRL_C_EVENT) return FALSE;
  std::raise(SIGTERM);
  if (event != CTRL_BREAK_EVENT) WaitForSingleObject(run_ended, kEndWait);
  return TRUE;
}

}  // namespace

int RunAsService(const std::function<int()>& run) {
  service_run = &run;
  wchar_t no_name[] = L"";
  const SERVICE_TABLE_ENTRYW table[] = {{no_name, ServiceMain}, {nullptr, nullptr}};
  if (StartedByServiceManager() && StartServiceCtrlDispatcherW(table)) return exit_status;
  // Not started by the service manager: from a console, a script or a task.
  run_ended = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
  const int result = run();
  SetEvent(run_ended);
  return result;
}

}  // namespace watch

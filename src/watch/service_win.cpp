#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <csignal>
#include <cwchar>
#include <vector>

#include "watch/service.h"

namespace watch {
namespace {

const std::function<int()>* service_run = nullptr;
SERVICE_STATUS_HANDLE status_handle = nullptr;
SERVICE_STATUS status{SERVICE_WIN32_OWN_PROCESS, SERVICE_START_PENDING, 0, NO_ERROR, 0, 0, 0};
int exit_status = 0;

void Report(DWORD state, DWORD accepted = 0) {
  status.dwCurrentState = state;
  status.dwControlsAccepted = accepted;
  SetServiceStatus(status_handle, &status);
}

DWORD WINAPI OnControl(DWORD control, DWORD, void*, void*) {
  if (control != SERVICE_CONTROL_STOP && control != SERVICE_CONTROL_SHUTDOWN) return NO_ERROR;
  if (status.dwCurrentState == SERVICE_RUNNING) {
    Report(SERVICE_STOP_PENDING);
    // The same stop as Ctrl+C: after the piece in hand, the document in
    // progress taken back and its file returned to the folder.
    std::raise(SIGTERM);
  }
  return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
  status_handle = RegisterServiceCtrlHandlerExW(L"", OnControl, nullptr);
  if (status_handle == nullptr) return;
  Report(SERVICE_RUNNING, SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN);
  exit_status = (*service_run)();
  status.dwWin32ExitCode = exit_status == 0 || exit_status == 130 ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR;
  status.dwServiceSpecificExitCode = static_cast<DWORD>(exit_status);
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

}  // namespace

int RunAsService(const std::function<int()>& run) {
  service_run = &run;
  wchar_t no_name[] = L"";
  const SERVICE_TABLE_ENTRYW table[] = {{no_name, ServiceMain}, {nullptr, nullptr}};
  if (StartedByServiceManager() && StartServiceCtrlDispatcherW(table)) return exit_status;
  // Not started by the service manager: from a console, a script or a task.
  return run();
}

}  // namespace watch

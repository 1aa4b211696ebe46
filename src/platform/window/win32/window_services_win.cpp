// SPDX-License-Identifier: Apache-2.0
// The window system's services on Win32: the event loop, the message box,
// the screen and the timer.
#include <windows.h>
// After windows.h, which they build on.
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <map>

#include "platform/window/application.h"
#include "platform/window/ticker.h"
#include "platform/window/win32/win32_window.h"

namespace platform {

namespace {

int modal_boxes = 0;

// Hands one message on, unless the window's keyboard handling takes it.
void Dispatch(MSG& message) {
  if (TranslateFormKey(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

RECT WorkArea(HWND owner) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY), &monitor);
  return monitor.rcWork;
}

// How many lines of `text`, measured as `measured`, fit into `height`.
std::size_t LinesThatFit(const RECT& measured, const std::wstring& text, int height) {
  const auto lines = static_cast<int>(std::count(text.begin(), text.end(), L'\n')) + 1;
  const int line_height = std::max(1, static_cast<int>(measured.bottom) / lines);
  return static_cast<std::size_t>(std::max(1, height / line_height));
}

// The first `keep` lines of `text`, and how many more there are.
std::wstring FirstLines(const std::wstring& text, std::size_t keep) {
  std::size_t end = 0;
  for (std::size_t kept = 0; kept < keep; ++kept) {
    end = text.find(L'\n', end);
    if (end == std::wstring::npos) return text;
    ++end;
  }
  const auto more = std::count(text.begin() + static_cast<std::ptrdiff_t>(end), text.end(), L'\n') + 1;
  return text.substr(0, end) + L"\u2026 " + std::to_wstring(more) + L" more";
}

}  // namespace

ModalScope::ModalScope() { ++modal_boxes; }
ModalScope::~ModalScope() { --modal_boxes; }

bool ModalOpen() { return modal_boxes > 0; }

// The system's own dialogs and buttons already speak its language.
void TranslateStandardTexts(const std::string&) {}

float ScreenWidth() {
  const UINT dpi = DpiOf(nullptr);
  return static_cast<float>(GetSystemMetrics(SM_CXSCREEN) * DeviceTwipsPerPixel(dpi));
}
float ScreenHeight() {
  const UINT dpi = DpiOf(nullptr);
  return static_cast<float>(GetSystemMetrics(SM_CYSCREEN) * DeviceTwipsPerPixel(dpi));
}

void DoEvents() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The loop in Application::Run ends on it too.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Dispatch(message);
  }
}

void ShowMessage(const std::string& text) {
  HWND owner = GetActiveWindow();
  std::wstring all = Wide(text);
  // A text that would make the box taller than half the screen (a long list
  // of files) shows its first paragraph, with the rest under the task
  // dialog's details, which it opens on request. Those details stop at what
  // fits into three quarters of the screen, and say how many more there are.
  const RECT work = WorkArea(owner);
  const int available = work.bottom - work.top;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
  HDC dc = GetDC(owner);
  const HGDIOBJ old = SelectObject(dc, font);
  RECT measured{0, 0, 400, 0};
  DrawTextW(dc, all.c_str(), static_cast<int>(all.size()), &measured, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(dc, old);
  ReleaseDC(owner, dc);
  DeleteObject(font);
  const auto paragraph = all.find(L"\n\n");
  const auto split = paragraph != std::wstring::npos ? paragraph : all.find(L'\n');
  std::wstring main_text = all, details;
  if (split != std::wstring::npos && split > 0 && measured.bottom > available / 2) {
    main_text = all.substr(0, split);
    details = all.substr(split + (paragraph != std::wstring::npos ? 2 : 1));
  }
  ModalScope modal;
  using TaskDialogFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
  // Only common controls 6 have the task dialog; older ones get the plain
  // box, its text cut to what fits.
  HMODULE controls = LoadLibraryW(L"comctl32.dll");
  const auto task_dialog = controls ? reinterpret_cast<TaskDialogFn>(
                                          reinterpret_cast<void*>(GetProcAddress(controls, "TaskDialogIndirect")))
                                    : nullptr;
  if (!details.empty() && task_dialog) {
    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    config.hwndParent = owner;
    config.dwFlags = TDF_ALLOW_DIALOG_CANCELLATION | TDF_SIZE_TO_CONTENT;
    config.dwCommonButtons = TDCBF_OK_BUTTON;
    config.pszWindowTitle = L"Torvane";
    config.pszContent = main_text.c_str();
    const std::wstring shown = FirstLines(details, LinesThatFit(measured, all, available * 3 / 4));
    config.pszExpandedInformation = shown.c_str();
    task_dialog(&config, nullptr, nullptr, nullptr);
  } else {
    if (!details.empty()) main_text += L"\n\n" + FirstLines(details, LinesThatFit(measured, all, available / 2));
    MessageBoxW(owner, main_text.c_str(), L"Torvane", MB_OK);
  }
  if (controls) FreeLibrary(controls);
}

struct Application::State {};

Application::Application(char*) {
  // Per-monitor DPI awareness where the manifest did not give it.
  using SetContextFn = BOOL(WINAPI*)(HANDLE);
  if (auto set_context = reinterpret_cast<SetContextFn>(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetProcessDpiAwarenessContext")))) {
    set_context(reinterpret_cast<HANDLE>(-4));  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
  }
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  RegisterClasses();
}

Application::~Application() { CoUninitialize(); }

int Application::Run() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) Dispatch(message);
  return static_cast<int>(message.wParam);
}

// Ticker: a thread timer, whose calls the event loop makes.
struct Ticker::Timer {
  UINT interval;
  EventHandler tick;
  UINT_PTR id = 0;
};

namespace {
// The running timers' handlers by timer id.
std::map<UINT_PTR, const EventHandler*>& Timers() {
  static std::map<UINT_PTR, const EventHandler*> timers;
  return timers;
}
void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  const auto it = Timers().find(id);
  if (it != Timers().end()) RunHandler(*it->second);
}
}  // namespace

Ticker::Ticker(int interval_ms, EventHandler tick)
    : timer_(new Timer{static_cast<UINT>(interval_ms), std::move(tick)}) {}

Ticker::~Ticker() { Stop(); }

void Ticker::Start() {
  if (timer_->id != 0) return;
  timer_->id = SetTimer(nullptr, 0, timer_->interval, OnTimer);
  if (timer_->id != 0) Timers()[timer_->id] = &timer_->tick;
}

void Ticker::Stop() {
  if (timer_->id == 0) return;
  KillTimer(nullptr, timer_->id);
  Timers().erase(timer_->id);
  timer_->id = 0;
}

}  // namespace platform

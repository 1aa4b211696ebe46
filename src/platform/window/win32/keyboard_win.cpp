// SPDX-License-Identifier: Apache-2.0
// The window's keyboard on Win32: Tab along the tab order, Return on the
// focused button, Delete in the list, and files given from the keyboard
// (Ctrl+O in the system's file dialog, Ctrl+V from the clipboard) or
// dropped.
#include <windows.h>
// After windows.h, which they build on.
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>

#include "platform/window/win32/win32_window.h"

namespace platform {

void MoveFocus(Form::Window& window, HWND from, bool backwards) {
  // The controls that can take the focus now, and where `from` stands in
  // the tab order (a control disabled just now still has its place).
  const auto& order = window.form->TabOrder();
  const auto can_focus = [](HWND hwnd) {
    return (GetWindowLongW(hwnd, GWL_STYLE) & WS_TABSTOP) && IsWindowEnabled(hwnd) && IsWindowVisible(hwnd);
  };
  const std::size_t count = order.size();
  std::size_t at = count;
  for (std::size_t i = 0; i < count; ++i) {
    if (order[i]->Native().hwnd == from) at = i;
  }
  for (std::size_t step = 1; step <= count; ++step) {
    const std::size_t i = at == count ? (backwards ? count - step : step - 1)
                                      : (backwards ? at + count - step : at + step) % count;
    if (can_focus(order[i]->Native().hwnd)) {
      SetFocus(order[i]->Native().hwnd);
      return;
    }
  }
}

std::vector<std::string> DroppedFiles(HDROP drop) {
  std::vector<std::string> paths;
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring path(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    path.resize(DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size())));
    paths.push_back(Narrow(path));
  }
  return paths;
}

namespace {

// The files chosen in the system's file dialog; none when it is cancelled.
std::vector<std::string> ChosenFiles(HWND owner) {
  std::wstring buffer(1 << 16, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  BOOL chosen;
  {
    ModalScope modal;
    chosen = GetOpenFileNameW(&dialog);
  }
  std::vector<std::string> paths;
  if (!chosen) return paths;
  // One file: its path. Several: the folder, then each name, each ended by
  // a null, the whole by a second one.
  const std::wstring first(buffer.c_str());
  const wchar_t* name = buffer.c_str() + first.size() + 1;
  if (*name == L'\0') return {Narrow(first)};
  const std::wstring folder = first.back() == L'\\' ? first : first + L'\\';
  for (; *name != L'\0'; name += lstrlenW(name) + 1) paths.push_back(Narrow(folder + name));
  return paths;
}

// What the clipboard offers: files copied in Explorer, or else the existing
// files named one a line in the copied text, made absolute.
std::vector<std::string> PastedFiles(HWND owner) {
  std::vector<std::string> paths;
  if (!OpenClipboard(owner)) return paths;
  if (HANDLE drop = GetClipboardData(CF_HDROP)) {
    paths = DroppedFiles(static_cast<HDROP>(drop));
  } else if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    const auto* text = static_cast<const wchar_t*>(GlobalLock(data));
    std::wstring all = text ? text : L"";
    GlobalUnlock(data);
    for (std::size_t start = 0; start <= all.size();) {
      std::size_t end = all.find(L'\n', start);
      if (end == std::wstring::npos) end = all.size();
      std::wstring line = all.substr(start, end - start);
      if (!line.empty() && line.back() == L'\r') line.pop_back();
      wchar_t full[32768];
      const DWORD length = line.empty() ? 0 : GetFullPathNameW(line.c_str(), 32768, full, nullptr);
      if (length > 0 && length < 32768 && GetFileAttributesW(full) != INVALID_FILE_ATTRIBUTES) {
        paths.push_back(Narrow(full));
      }
      start = end + 1;
    }
  }
  CloseClipboard();
  return paths;
}

}  // namespace

void FilesFromKeyboard(Form::Window& window, bool paste) {
  const auto paths = paste ? PastedFiles(window.hwnd) : ChosenFiles(window.hwnd);
  if (!paths.empty() && window.KeyboardFiles()) RunHandler([&] { window.KeyboardFiles()(paths); });
}

bool TranslateFormKey(const MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  Form::Window* window = FormWindowOf(GetAncestor(message.hwnd, GA_ROOT));
  if (window == nullptr) return false;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0, shift = GetKeyState(VK_SHIFT) < 0;
  if (ctrl && !alt && (message.wParam == 'O' || message.wParam == 'V')) {
    FilesFromKeyboard(*window, message.wParam == 'V');
    return true;
  }
  if (ctrl || alt) return false;
  if (message.wParam == VK_DELETE || message.wParam == VK_BACK) {
    NativeControl* focused = NativeOf(GetFocus());
    if (focused == nullptr || focused->control->Kind() != ControlKind::ListBox) return false;
    static_cast<ListBox*>(focused->control)->PressDeleteKey();
    return true;
  }
  if (message.wParam == VK_RETURN) {
    NativeControl* focused = NativeOf(GetFocus());
    if (focused == nullptr || focused->control->Kind() != ControlKind::CommandButton) return false;
    static_cast<CommandButton*>(focused->control)->Click();
    return true;
  }
  if (message.wParam != VK_TAB) return false;
  MoveFocus(*window, GetFocus(), shift);
  return true;
}

}  // namespace platform

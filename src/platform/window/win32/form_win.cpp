// SPDX-License-Identifier: Apache-2.0
// The one top-level window, of class KelPrnPrint, on Win32.
#include <windows.h>
// After windows.h, which they build on.
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>

#include "platform/run_time_error.h"
#include "platform/wide_text_win.h"
#include "platform/window/win32/win32_window.h"

namespace platform {

std::wstring Wide(const std::string& text) { return Utf8ToUtf16(text); }
std::string Narrow(const std::wstring& text) { return Utf16ToUtf8(text); }

UINT DpiOf(HWND hwnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  const UINT dpi = get_dpi && hwnd ? get_dpi(hwnd) : 0;
  if (dpi != 0) return dpi;
  HDC screen = GetDC(nullptr);
  const int device = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return device > 0 ? static_cast<UINT>(device) : 96;
}

namespace {

int CALLBACK FoundFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FaceInstalled(const std::wstring& face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(wanted.lfFaceName, face.c_str(), LF_FACESIZE);
  bool found = false;
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesExW(screen, &wanted, FoundFace, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, screen);
  return found;
}

// The designed face, or the first installed face of the same kind: for the
// Japanese Gothic face, the Japanese faces that Windows versions ship and
// those found on Wine's hosts.
std::wstring InstalledFace(const std::wstring& face) {
  static const std::vector<std::wstring> kJapanese = {L"MS PGothic", L"Meiryo UI", L"Yu Gothic UI", L"MS UI Gothic",
                                                      L"IPAPGothic", L"IPAexGothic", L"Noto Sans CJK JP"};
  static const std::vector<std::wstring> kSans = {L"Liberation Sans", L"Arimo", L"Segoe UI", L"Tahoma"};
  if (FaceInstalled(face)) return face;
  const bool japanese = std::any_of(face.begin(), face.end(), [](wchar_t c) { return c >= 0x3000; });
  for (const auto& other : japanese ? kJapanese : kSans) {
    if (FaceInstalled(other)) return other;
  }
  return face;
}

}  // namespace

HFONT CreateDesignFont(const FontSpec& design, UINT dpi) {
  const std::wstring face = InstalledFace(Wide(design.face));
  return CreateFontW(-static_cast<int>(std::lround(design.points * dpi / 72.0)), 0, 0, 0,
                     design.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                     // The designed face in its own character set; another one
                     // in the default set, so that a backslash is not drawn
                     // as the yen sign of Japanese faces.
                     static_cast<BYTE>(face == Wide(design.face) ? design.charset : DEFAULT_CHARSET),
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS,
                     face.c_str());
}

Form::Window* FormWindowOf(HWND hwnd) {
  wchar_t name[32];
  if (hwnd == nullptr || GetClassNameW(hwnd, name, 32) == 0 || lstrcmpW(name, kFormClass) != 0) return nullptr;
  return reinterpret_cast<Form::Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

namespace {

LRESULT CALLBACK FormProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Form::Window* window = FormWindowOf(hwnd);
  if (window == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_COMMAND:
      if (lparam != 0) RaiseCommand(reinterpret_cast<HWND>(lparam), HIWORD(wparam));
      return 0;
    case WM_SIZE:
      window->RaiseResize();
      return 0;
    case WM_DRAWITEM:
      if (DrawListLine(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam))) return TRUE;
      return DefWindowProcW(hwnd, message, wparam, lparam);
    case WM_DROPFILES:
      DropOn(*window, reinterpret_cast<HDROP>(wparam));
      return 0;
    case WM_CLOSE:
      // Closing is never refused: a failure while closing is shown, and the
      // window goes all the same.
      window->RaiseQueryUnload();
      ShowWindow(hwnd, SW_HIDE);
      PostQuitMessage(0);
      return 0;
    case WM_ENDSESSION:
      // The process may end as soon as this returns: the window closes now.
      if (wparam) CloseForSessionEnd();
      return 0;
    case WM_DPICHANGED: {
      window->dpi = HIWORD(wparam);
      const RECT* suggested = reinterpret_cast<const RECT*>(lparam);
      ApplyDpi(*window);
      SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    default:
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

}  // namespace

void RegisterClasses() {
  static const bool registered = [] {
    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = FormProc;
    form.hInstance = GetModuleHandleW(nullptr);
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form.lpszClassName = kFormClass;
    RegisterClassExW(&form);
    RegisterChildClasses();
    return true;
  }();
  (void)registered;
}

Form::Form(const std::string& caption, float inner_width, float inner_height, const FontSpec& font)
    : window_(new Window) {
  RegisterClasses();
  window_->form = this;
  window_->font_spec = font;
  constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  window_->hwnd = CreateWindowExW(WS_EX_ACCEPTFILES, kFormClass, Wide(caption).c_str(), kStyle, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
  if (window_->hwnd == nullptr) throw MakeError(kErrInternal, "the window could not be made");
  SetWindowLongPtrW(window_->hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window_));
  window_->dpi = DpiOf(window_->hwnd);
  window_->font = CreateDesignFont(font, window_->dpi);
  RECT outer{0, 0, TwipsToDevice(inner_width, window_->dpi), TwipsToDevice(inner_height, window_->dpi)};
  AdjustWindowRectEx(&outer, kStyle, FALSE, WS_EX_ACCEPTFILES);
  SetWindowPos(window_->hwnd, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Form::~Form() {
  controls_.clear();
  DestroyWindow(window_->hwnd);
  if (window_->font) DeleteObject(window_->font);
  delete window_;
}

void Form::FinishCreation() {
  // Stacking: labels lie below every control that has a surface of its own;
  // within each layer the control created first lies on top.
  for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
    if ((*it)->Kind() != ControlKind::Label) {
      SetWindowPos((*it)->Native().hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  for (Control* control : order_) {
    if (control->Kind() == ControlKind::Label) {
      SetWindowPos(control->Native().hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
  SortTabOrder();
}

std::string Form::Caption() const {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window_->hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window_->hwnd, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}
void Form::SetCaption(const std::string& caption) { SetWindowTextW(window_->hwnd, Wide(caption).c_str()); }

void Form::SetProgramIcon() {
  // The program's icon is resource 1 of the executable; without it the
  // window keeps the system's.
  HINSTANCE module = GetModuleHandleW(nullptr);
  for (const auto& [size, kind] : {std::pair{SM_CXICON, ICON_BIG}, std::pair{SM_CXSMICON, ICON_SMALL}}) {
    const int pixels = GetSystemMetrics(size);
    if (HANDLE icon = LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, pixels, pixels, LR_SHARED)) {
      SendMessageW(window_->hwnd, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
    }
  }
}

namespace {
RECT OuterRect(HWND hwnd) {
  RECT rect;
  GetWindowRect(hwnd, &rect);
  return rect;
}
RememberedTwips Remember(double twips, UINT dpi) { return {static_cast<float>(twips), TwipsToDevice(twips, dpi)}; }
}  // namespace

float Form::Left() const {
  if (!shown_ && set_left_) return set_left_->twips;
  return Recall(set_left_, OuterRect(window_->hwnd).left, DeviceTwipsPerPixel(window_->dpi));
}
float Form::Top() const {
  if (!shown_ && set_top_) return set_top_->twips;
  return Recall(set_top_, OuterRect(window_->hwnd).top, DeviceTwipsPerPixel(window_->dpi));
}
float Form::Width() const {
  const RECT r = OuterRect(window_->hwnd);
  return Recall(set_width_, r.right - r.left, DeviceTwipsPerPixel(window_->dpi));
}
float Form::Height() const {
  const RECT r = OuterRect(window_->hwnd);
  return Recall(set_height_, r.bottom - r.top, DeviceTwipsPerPixel(window_->dpi));
}

void Form::SetLeft(double twips) {
  set_left_ = Remember(twips, window_->dpi);
  Place();
}
void Form::SetTop(double twips) {
  set_top_ = Remember(twips, window_->dpi);
  Place();
}

void Form::Place() {
  // The window system placed the window when it was made, so one edge can
  // move alone.
  const RECT r = OuterRect(window_->hwnd);
  SetWindowPos(window_->hwnd, nullptr, set_left_ ? set_left_->pixels : r.left, set_top_ ? set_top_->pixels : r.top, 0,
               0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetWidth(double twips) {
  set_width_ = Remember(twips, window_->dpi);
  const RECT r = OuterRect(window_->hwnd);
  SetWindowPos(window_->hwnd, nullptr, 0, 0, std::max(1, set_width_->pixels), r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void Form::SetHeight(double twips) {
  set_height_ = Remember(twips, window_->dpi);
  const RECT r = OuterRect(window_->hwnd);
  SetWindowPos(window_->hwnd, nullptr, 0, 0, r.right - r.left, std::max(1, set_height_->pixels),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

float Form::ScaleWidth() const {
  RECT inner;
  GetClientRect(window_->hwnd, &inner);
  return static_cast<float>(inner.right * DeviceTwipsPerPixel(window_->dpi));
}
float Form::ScaleHeight() const {
  RECT inner;
  GetClientRect(window_->hwnd, &inner);
  return static_cast<float>(inner.bottom * DeviceTwipsPerPixel(window_->dpi));
}

WindowState Form::State() const {
  if (!Visible()) return window_->pending_state;
  if (IsIconic(window_->hwnd)) return WindowState::Minimized;
  if (IsZoomed(window_->hwnd)) return WindowState::Maximized;
  return WindowState::Normal;
}

namespace {
int ShowCommand(WindowState state) {
  switch (state) {
    case WindowState::Minimized: return SW_MINIMIZE;
    case WindowState::Maximized: return SW_MAXIMIZE;
    default: return SW_RESTORE;
  }
}
}  // namespace

void Form::SetState(WindowState state) {
  window_->pending_state = state;
  if (Visible()) ShowWindow(window_->hwnd, ShowCommand(state));
}

bool Form::Visible() const { return IsWindowVisible(window_->hwnd) != FALSE; }

void Form::Show() {
  ShowWindow(window_->hwnd, window_->pending_state == WindowState::Normal ? SW_SHOW
                                                                          : ShowCommand(window_->pending_state));
  shown_ = true;
  UpdateWindow(window_->hwnd);
  // The focus goes to the first control in tab order that can take it.
  for (Control* c : tab_order_) {
    HWND hwnd = c->Native().hwnd;
    if ((GetWindowLongW(hwnd, GWL_STYLE) & WS_TABSTOP) && IsWindowEnabled(hwnd) && IsWindowVisible(hwnd)) {
      SetFocus(hwnd);
      break;
    }
  }
}

void Form::Unload() { SendMessageW(window_->hwnd, WM_CLOSE, 0, 0); }

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
  // Tab and Shift+Tab move along the tab order among the controls that can
  // take the focus now.
  std::vector<HWND> ring;
  for (Control* c : window->form->TabOrder()) {
    HWND hwnd = c->Native().hwnd;
    if ((GetWindowLongW(hwnd, GWL_STYLE) & WS_TABSTOP) && IsWindowEnabled(hwnd) && IsWindowVisible(hwnd)) {
      ring.push_back(hwnd);
    }
  }
  if (ring.empty()) return true;
  const auto at = std::find(ring.begin(), ring.end(), GetFocus());
  std::size_t next = 0;
  if (at != ring.end()) {
    const std::size_t i = static_cast<std::size_t>(at - ring.begin());
    next = shift ? (i + ring.size() - 1) % ring.size() : (i + 1) % ring.size();
  }
  SetFocus(ring[next]);
  return true;
}

}  // namespace platform

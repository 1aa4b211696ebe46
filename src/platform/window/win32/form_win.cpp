// SPDX-License-Identifier: Apache-2.0
// The one top-level window, of class KelPrnPrint, on Win32.
#include <windows.h>

#include <algorithm>

#include "platform/run_time_error.h"
#include "platform/window/win32/win32_window.h"

namespace platform {

Form::Window* FormWindowOf(HWND hwnd) {
  wchar_t name[32];
  if (hwnd == nullptr || GetClassNameW(hwnd, name, 32) == 0 || lstrcmpW(name, kFormClass) != 0) return nullptr;
  return reinterpret_cast<Form::Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

namespace {

// Posted when the window manager made the window smaller than its minimum.
constexpr UINT kHoldMinimumMessage = WM_APP + 2;

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
    case WM_GETMINMAXINFO: {
      // No drag of the frame goes below the window's minimum.
      auto* limits = reinterpret_cast<MINMAXINFO*>(lparam);
      limits->ptMinTrackSize.x = std::max<LONG>(limits->ptMinTrackSize.x, TwipsToDevice(window->min_width, window->dpi));
      limits->ptMinTrackSize.y =
          std::max<LONG>(limits->ptMinTrackSize.y, TwipsToDevice(window->min_height, window->dpi));
      return 0;
    }
    case WM_WINDOWPOSCHANGING: {
      // The system holds the size at the minimum (WM_GETMINMAXINFO); a
      // window manager that drew the window smaller all the same (X11's
      // under Wine, which is not told the minimum) is given the size again
      // once its resize is through.
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(lparam);
      if ((pos->flags & SWP_NOSIZE) == 0 && !IsZoomed(hwnd) && !IsIconic(hwnd) &&
          (pos->cx < TwipsToDevice(window->min_width, window->dpi) ||
           pos->cy < TwipsToDevice(window->min_height, window->dpi))) {
        PostMessageW(hwnd, kHoldMinimumMessage, 0, 0);
      }
      return DefWindowProcW(hwnd, message, wparam, lparam);
    }
    case kHoldMinimumMessage: {
      // A size that differs from the window's own, and then its own: the
      // window system sends the window manager both.
      RECT r;
      GetWindowRect(hwnd, &r);
      constexpr UINT kFlags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
      SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top + 1, kFlags);
      SetWindowPos(hwnd, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, kFlags);
      return 0;
    }
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

void Form::SetMinimumSize(double outer_width, double outer_height) {
  window_->min_width = outer_width;
  window_->min_height = outer_height;
}

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

}  // namespace platform

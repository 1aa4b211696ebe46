// SPDX-License-Identifier: Apache-2.0
// Labels and picture boxes: window classes of this program's own, which
// paint their captions and colours themselves, a transparent label showing
// the labels below it through.
#include <windows.h>

#include <vector>

#include "platform/window/win32/win32_window.h"

namespace platform {

// Repaints a label and the labels drawn over it.
void RepaintLabel(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, FALSE);
  RECT mine;
  GetWindowRect(hwnd, &mine);
  for (HWND above = GetWindow(hwnd, GW_HWNDPREV); above != nullptr; above = GetWindow(above, GW_HWNDPREV)) {
    RECT theirs, overlap;
    GetWindowRect(above, &theirs);
    if (IntersectRect(&overlap, &mine, &theirs)) InvalidateRect(above, nullptr, FALSE);
  }
}

namespace {

// What lies under a label: its container's colour.
COLORREF ContainerColour(HWND label) {
  NativeControl* container = NativeOf(GetParent(label));
  return container && container->has_back ? container->back : GetSysColor(COLOR_BTNFACE);
}

// Draws a label's own parts within `area`: its background unless it is
// transparent, its border and its caption.
void DrawLabel(HDC dc, const NativeControl& label, RECT area) {
  if (!label.transparent) {
    SetDCBrushColor(dc, label.has_back ? label.back : GetSysColor(COLOR_BTNFACE));
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
  if (label.border) {
    SetDCBrushColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
  HFONT font = label.font ? label.font : reinterpret_cast<HFONT>(SendMessageW(label.hwnd, WM_GETFONT, 0, 0));
  const HGDIOBJ old_font = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, label.has_fore ? label.fore : GetSysColor(COLOR_WINDOWTEXT));
  DrawTextW(dc, label.text.c_str(), static_cast<int>(label.text.size()), &area,
            DT_NOPREFIX | DT_SINGLELINE | DT_TOP | (label.align == TextAlign::Center ? DT_CENTER : DT_LEFT));
  SelectObject(dc, old_font);
}

// A transparent label shows the labels below it through: it draws, under
// its own caption, the container's colour and then each label below it,
// lowest first. Only labels lie below labels (see FinishCreation).
void PaintLabel(HWND hwnd, HDC dc) {
  const NativeControl* label = NativeOf(hwnd);
  RECT area;
  GetClientRect(hwnd, &area);
  if (label == nullptr) return;
  if (label->transparent) {
    SetDCBrushColor(dc, ContainerColour(hwnd));
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    std::vector<HWND> below;
    for (HWND next = GetWindow(hwnd, GW_HWNDNEXT); next != nullptr; next = GetWindow(next, GW_HWNDNEXT)) {
      below.push_back(next);
    }
    RECT mine;
    GetWindowRect(hwnd, &mine);
    for (auto it = below.rbegin(); it != below.rend(); ++it) {
      const NativeControl* other = NativeOf(*it);
      RECT theirs, overlap;
      GetWindowRect(*it, &theirs);
      if (other == nullptr || other->control->Kind() != ControlKind::Label || !IsWindowVisible(*it) ||
          !IntersectRect(&overlap, &mine, &theirs)) {
        continue;
      }
      const RECT shifted{theirs.left - mine.left, theirs.top - mine.top, theirs.right - mine.left,
                         theirs.bottom - mine.top};
      DrawLabel(dc, *other, shifted);
    }
  }
  DrawLabel(dc, *label, area);
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      PaintLabel(hwnd, dc);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_SETFONT:
      SetPropW(hwnd, L"TorvaneFont", reinterpret_cast<HANDLE>(wparam));
      if (LOWORD(lparam)) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(GetPropW(hwnd, L"TorvaneFont"));
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_NCDESTROY:
      RemovePropW(hwnd, L"TorvaneFont");
      RemovePropW(hwnd, L"TorvaneControl");
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

LRESULT CALLBACK PictureProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT area;
      GetClientRect(hwnd, &area);
      const NativeControl* picture = NativeOf(hwnd);
      HDC dc = reinterpret_cast<HDC>(wparam);
      SetDCBrushColor(dc, picture && picture->has_back ? picture->back : GetSysColor(COLOR_BTNFACE));
      FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
      return 1;
    }
    case WM_DRAWITEM:
      if (DrawListLine(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam))) return TRUE;
      break;
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_NCDESTROY:
      RemovePropW(hwnd, L"TorvaneControl");
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

void RegisterChildClasses() {
  WNDCLASSEXW label{};
  label.cbSize = sizeof label;
  label.lpfnWndProc = LabelProc;
  label.hInstance = GetModuleHandleW(nullptr);
  label.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  label.lpszClassName = kLabelClass;
  RegisterClassExW(&label);
  WNDCLASSEXW picture = label;
  picture.lpfnWndProc = PictureProc;
  picture.lpszClassName = kPictureClass;
  RegisterClassExW(&picture);
}

}  // namespace platform

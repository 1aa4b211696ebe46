// SPDX-License-Identifier: Apache-2.0
// Text and fonts on Win32: UTF-16 for the wide calls, the DPI a window is
// shown at, and fonts made for it in an installed face.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <vector>

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

// The face asked for, or the first installed face of the same kind: for a
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
                     // The face asked for in its own character set; another
                     // one in the default set, so that a backslash is not
                     // drawn as the yen sign of Japanese faces.
                     static_cast<BYTE>(face == Wide(design.face) ? design.charset : DEFAULT_CHARSET),
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS,
                     face.c_str());
}

}  // namespace platform

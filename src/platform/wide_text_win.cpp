#include "platform/wide_text_win.h"

#include <windows.h>

namespace platform {

// Neither direction passes the strict flags (MB_ERR_INVALID_CHARS,
// WC_ERR_INVALID_CHARS): a malformed name still arrives, marked, rather than
// not at all. An empty text is one the calls refuse, and comes back empty.
std::wstring Utf8ToUtf16(std::string_view text) {
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string Utf16ToUtf8(std::wstring_view wide) {
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
  return text;
}

}  // namespace platform

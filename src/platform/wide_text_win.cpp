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

std::string SystemErrorText(unsigned long error) {
  // A call that fails without saying why leaves the cleared code behind;
  // "The operation completed successfully" would be no reason at all.
  if (error == ERROR_SUCCESS) return "no reason given";
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  std::wstring_view wide(buffer, buffer != nullptr ? length : 0);
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ')) {
    wide.remove_suffix(1);
  }
  std::string text = Utf16ToUtf8(wide);
  if (buffer != nullptr) LocalFree(buffer);
  if (text.empty()) text = "error " + std::to_string(error);
  return text;
}

}  // namespace platform

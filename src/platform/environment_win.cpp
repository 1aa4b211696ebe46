#include <windows.h>

#include "platform/environment.h"
#include "platform/wide_text_win.h"

namespace platform {

// The wide call: a value outside the ANSI code page arrives intact.
std::string EnvironmentText(const char* name) {
  const std::wstring wide_name = Utf8ToUtf16(name);
  const DWORD size = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (size <= 1) return {};
  std::wstring value(size, L'\0');
  const DWORD length = GetEnvironmentVariableW(wide_name.c_str(), value.data(), size);
  if (length == 0 || length >= size) return {};
  return Utf16ToUtf8(std::wstring_view(value.data(), length));
}

}  // namespace platform

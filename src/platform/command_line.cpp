#include "platform/command_line.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace platform {

std::string WithoutProgramPath(std::string_view line) {
  std::size_t i = 0;
  if (!line.empty() && line[0] == '"') {
    const auto close = line.find('"', 1);
    i = close == std::string_view::npos ? line.size() : close + 1;
  } else {
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
  }
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  return std::string(line.substr(i));
}

std::optional<std::string> NativeArgumentText() {
#ifdef _WIN32
  const wchar_t* wide = GetCommandLineW();
  const int wide_length = static_cast<int>(wcslen(wide));
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, wide_length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, wide_length, utf8.data(), bytes, nullptr, nullptr);
  return WithoutProgramPath(utf8);
#else
  return std::nullopt;
#endif
}

}  // namespace platform

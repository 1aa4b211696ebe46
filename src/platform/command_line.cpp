#include "platform/command_line.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/wide_text_win.h"
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
  return WithoutProgramPath(Utf16ToUtf8(GetCommandLineW()));
#else
  return std::nullopt;
#endif
}

}  // namespace platform

#include <windows.h>

#include "platform/command_line.h"
#include "platform/wide_text_win.h"

namespace platform {
namespace {

// The full path of `path` (relative to the current folder), or empty.
std::wstring FullPath(const std::wstring& path) {
  std::wstring full(32768, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length == 0 || length >= full.size()) return {};
  full.resize(length);
  return full;
}

}  // namespace

// The program is what the process runs: its module file. A leading part
// of the line names it when it is that file, with or without ".exe".
std::optional<std::string> NativeArgumentText() {
  std::wstring module(32768, L'\0');
  module.resize(GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size())));
  const auto names_program = [&module](std::string_view candidate) {
    const std::wstring path = Utf8ToUtf16(std::string(candidate));
    for (const std::wstring& name : {path, path + L".exe"}) {
      const std::wstring full = FullPath(name);
      if (!full.empty() && lstrcmpiW(full.c_str(), module.c_str()) == 0) return true;
    }
    return false;
  };
  return WithoutProgramPath(Utf16ToUtf8(GetCommandLineW()), module.empty() ? NamesProgram() : names_program);
}

}  // namespace platform

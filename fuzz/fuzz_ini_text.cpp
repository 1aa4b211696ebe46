// SPDX-License-Identifier: Apache-2.0
// The INI reader: any bytes as a settings file, asked for a key, and any
// bytes as one value.
#include "fuzz_check.h"
#include "platform/settings/ini_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file = fuzz::Text(data, size);
  static_cast<void>(platform::IniReadable(file));
  for (const auto key : {"WinPosL", "ListIdx", "AddFile"}) static_cast<void>(platform::IniValue(file, "InitVal", key));
  const std::string text = platform::IniValueText(file);
  fuzz::Check(text.size() <= file.size(), "a value's text is no longer than what was written");
  // A value unquoted and unescaped, of no blank, '"', '\\' or ';' and not
  // beginning with '@', reads as written.
  if (!file.empty() && file[0] != '@' && file.find_first_of(" \t\"\\;\r\n", 0) == std::string_view::npos) {
    fuzz::Check(text == file, "a plain value reads as written");
  }
  return 0;
}

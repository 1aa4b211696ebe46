// SPDX-License-Identifier: Apache-2.0
#include <windows.h>

#include <cstdlib>

#include "support/host.h"

namespace testsupport {

bool OnWindows() { return true; }

void SetEnvironment(const std::string& name, const std::optional<std::string>& value) {
  _putenv_s(name.c_str(), value.value_or("").c_str());
}

bool SystemTakesAsUtf8(const std::string& text) {
  if (text.empty()) return true;
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0) > 0;
}

}  // namespace testsupport

// SPDX-License-Identifier: Apache-2.0
// volatile_key KEY: makes HKEY_CURRENT_USER\KEY anew as a volatile key, below
// which no lasting key can be made: a settings store that cannot be written.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  RegDeleteTreeW(HKEY_CURRENT_USER, argv[1]);
  HKEY key = nullptr;
  const LSTATUS made = RegCreateKeyExW(HKEY_CURRENT_USER, argv[1], 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                                       nullptr, &key, nullptr);
  if (made == ERROR_SUCCESS) RegCloseKey(key);
  return made == ERROR_SUCCESS ? 0 : 1;
}

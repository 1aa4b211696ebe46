// SPDX-License-Identifier: Apache-2.0
// volatile_key KEY: makes HKEY_CURRENT_USER\KEY anew as a volatile key, below
// which no lasting key can be made: settings that cannot be saved.
#include <windows.h>

int main(int argc, char** argv) {
  HKEY key = nullptr;
  if (argc != 2) return 2;
  RegDeleteTreeA(HKEY_CURRENT_USER, argv[1]);
  return RegCreateKeyExA(HKEY_CURRENT_USER, argv[1], 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                         nullptr) == ERROR_SUCCESS ? 0 : 1;
}

// SPDX-License-Identifier: Apache-2.0
#pragma once
// Text between the UTF-8 that names travel in throughout the program and
// the UTF-16 of Windows' wide-character calls, and the system's messages
// in UTF-8. Windows only.
#include <string>
#include <string_view>

namespace platform {

// Invalid UTF-8 becomes U+FFFD.
std::wstring Utf8ToUtf16(std::string_view text);
// An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::wstring_view wide);

// The system's text for an error code (GetLastError, WSAGetLastError), in
// UTF-8 whatever the system's language, without its trailing line break.
std::string SystemErrorText(unsigned long error);

}  // namespace platform

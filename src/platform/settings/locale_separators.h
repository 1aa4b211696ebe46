// SPDX-License-Identifier: Apache-2.0
#pragma once
// The user's number separators, as the system's locale settings give them.
#include <string>

namespace platform {

struct LocaleSeparators {
  std::string decimal;  // UTF-8; empty when the locale gives none
  std::string group;
};

LocaleSeparators UserLocaleSeparators();

}  // namespace platform

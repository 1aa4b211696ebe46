// SPDX-License-Identifier: Apache-2.0
#pragma once
// The process environment, read as UTF-8 text on every system.
#include <string>

namespace platform {

// A variable of the environment as UTF-8; empty when it is not set.
std::string EnvironmentText(const char* name);

}  // namespace platform

// SPDX-License-Identifier: Apache-2.0
#pragma once
// What the tests need of the system they run on, one file per system.
#include <optional>
#include <string>

namespace testsupport {

// Whether the tests run as a Windows program (under Wine here).
bool OnWindows();

// Sets the environment variable, or with no value unsets it. (Windows
// holds no empty variables: setting one to "" unsets it.)
void SetEnvironment(const std::string& name, const std::optional<std::string>& value);

// An independent judge of UTF-8 validity: the system's own converter.
bool SystemTakesAsUtf8(const std::string& text);

}  // namespace testsupport

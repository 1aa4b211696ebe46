// SPDX-License-Identifier: Apache-2.0
#pragma once
// Paths as the print job takes them: UTF-8 text on every platform. On
// Windows a path's narrow form is in the ANSI code page, so tests that name
// files outside ASCII go through these instead.
#include <filesystem>
#include <string>

namespace testsupport {

inline std::filesystem::path PathFromUtf8(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const auto text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace testsupport

// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>
#include <windows.h>

#include "support/unreadable_file.h"

namespace testsupport {

UnreadableFile::UnreadableFile(const std::filesystem::path& path) : path_(path.string()) {
  const HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(held, INVALID_HANDLE_VALUE) << "error " << GetLastError();
  if (held != INVALID_HANDLE_VALUE) held_ = held;
}

UnreadableFile::~UnreadableFile() {
  if (held_ != nullptr) CloseHandle(held_);
}

// Measuring needs no open, so the refusal comes when the job opens it.
::testing::Matcher<std::string> UnreadableFile::Reason() {
  return ::testing::Eq("the file could not be opened (Permission denied)");
}

}  // namespace testsupport

#include "support/unreadable_file.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace testsupport {

UnreadableFile::UnreadableFile(const std::filesystem::path& path) : path_(path.string()) {
#ifdef _WIN32
  const HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(held, INVALID_HANDLE_VALUE) << "error " << GetLastError();
  if (held != INVALID_HANDLE_VALUE) held_ = held;
#else
  EXPECT_EQ(mkfifo(path_.c_str(), 0600), 0);
#endif
}

UnreadableFile::~UnreadableFile() {
#ifdef _WIN32
  if (held_ != nullptr) CloseHandle(held_);
#endif
}

::testing::Matcher<std::string> UnreadableFile::Reason() {
#ifdef _WIN32
  // Measuring needs no open, so the refusal comes when the job opens it.
  return ::testing::Eq("the file could not be opened (Permission denied)");
#else
  return ::testing::HasSubstr("the file could not be measured");
#endif
}

}  // namespace testsupport

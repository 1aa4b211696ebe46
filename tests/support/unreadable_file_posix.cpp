// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/unreadable_file.h"

namespace testsupport {

UnreadableFile::UnreadableFile(const std::filesystem::path& path) : path_(path.string()) {
  EXPECT_EQ(mkfifo(path_.c_str(), 0600), 0);
}

UnreadableFile::~UnreadableFile() = default;

::testing::Matcher<std::string> UnreadableFile::Reason() { return ::testing::HasSubstr("the file could not be measured"); }

}  // namespace testsupport

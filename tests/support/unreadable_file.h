// SPDX-License-Identifier: Apache-2.0
#pragma once
// A file that exists but cannot be read as a print job needs it, of the kind
// each platform has: on Windows one held open by another program that
// shares it with nobody; elsewhere a named pipe, which would block an open
// until someone writes to it.
#include <gmock/gmock.h>

#include <filesystem>
#include <string>

namespace testsupport {

class UnreadableFile {
 public:
  explicit UnreadableFile(const std::filesystem::path& path);
  ~UnreadableFile();
  UnreadableFile(const UnreadableFile&) = delete;
  UnreadableFile& operator=(const UnreadableFile&) = delete;

  const std::string& Path() const { return path_; }
  // What the job reports for such a file.
  static ::testing::Matcher<std::string> Reason();

 private:
  std::string path_;
  void* held_ = nullptr;  // the Windows handle holding the file
};

}  // namespace testsupport

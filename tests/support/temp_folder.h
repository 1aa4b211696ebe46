// SPDX-License-Identifier: Apache-2.0
#pragma once
// A fresh folder of a test's own under the system's temporary folder,
// removed with everything in it when the scope ends, also when an
// assertion ends the test early.
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

#include "support/utf8_path.h"

namespace testsupport {

class TempFolder {
 public:
  TempFolder()
      : path_(std::filesystem::temp_directory_path() / ("torvane-test-" + std::to_string(std::random_device{}()))) {
    if (!std::filesystem::create_directory(path_)) throw std::runtime_error(path_.string() + " exists already");
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // The path of `name` (UTF-8) in the folder, as UTF-8 text.
  std::string File(const std::string& name) const { return Utf8FromPath(path_ / PathFromUtf8(name)); }
  // Writes `bytes` as the file `name` in the folder; returns its path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path_ / PathFromUtf8(name), std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return File(name);
  }

 private:
  std::filesystem::path path_;
};

}  // namespace testsupport

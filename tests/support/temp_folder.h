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
  TempFolder() {
    std::random_device random;
    for (int tries = 0; tries < 100; ++tries) {
      path_ = std::filesystem::temp_directory_path() / ("torvane-test-" + std::to_string(random()));
      std::error_code error;
      if (std::filesystem::create_directory(path_, error)) return;
    }
    throw std::runtime_error("cannot make a temporary folder in " + std::filesystem::temp_directory_path().string());
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

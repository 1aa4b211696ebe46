#include "printing/file_reader.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace printing {
namespace {

std::filesystem::path PathFromText(const std::string& path) {
#ifdef _WIN32
  // Windows paths arrive as UTF-8; the narrow constructor would read them
  // in the ANSI code page.
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
#else
  return std::filesystem::path(path);
#endif
}

std::FILE* OpenForReading(const std::filesystem::path& path) {
#ifdef _WIN32
  return _wfopen(path.c_str(), L"rb");
#else
  return std::fopen(path.c_str(), "rb");
#endif
}

std::string ErrnoText(int number) { return std::generic_category().message(number); }

}  // namespace

FileReader::~FileReader() {
  if (file_ != nullptr) std::fclose(file_);
}

std::string FileReader::Open(const std::string& path, std::int64_t& length) {
  const auto fs_path = PathFromText(path);
  std::error_code error;
  const auto size = std::filesystem::file_size(fs_path, error);
  if (error) return "the file could not be measured (" + error.message() + ")";
  errno = 0;
  file_ = OpenForReading(fs_path);
  if (file_ == nullptr) return "the file could not be opened (" + ErrnoText(errno) + ")";
  // Unbuffered: chunks go straight into the caller's buffer, and each read
  // sees the file as it is now, not as an earlier read left it buffered.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  length = static_cast<std::int64_t>(size);
  return {};
}

std::size_t FileReader::Read(void* buffer, std::size_t size, std::string& error) {
  errno = 0;
  const std::size_t got = std::fread(buffer, 1, size, file_);
  if (got < size && std::ferror(file_)) error = ErrnoText(errno != 0 ? errno : EIO);
  return got;
}

bool FileReader::HasMore() { return std::fgetc(file_) != EOF; }

}  // namespace printing

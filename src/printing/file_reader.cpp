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

platform::Status FileReader::Open(const std::string& path, std::int64_t& length) {
  const auto fs_path = PathFromText(path);
  std::error_code error;
  const auto size = std::filesystem::file_size(fs_path, error);
  if (error) return platform::Status::Fail("the file could not be measured (" + error.message() + ")");
  errno = 0;
  file_ = OpenForReading(fs_path);
  if (file_ == nullptr) return platform::Status::Fail("the file could not be opened (" + ErrnoText(errno) + ")");
  // Unbuffered: chunks go straight into the caller's buffer, and each read
  // sees the file as it is now, not as an earlier read left it buffered.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  length = static_cast<std::int64_t>(size);
  return platform::Status::Ok();
}

platform::Status FileReader::Read(void* buffer, std::size_t size, std::size_t& got) {
  errno = 0;
  got = std::fread(buffer, 1, size, file_);
  if (got < size && std::ferror(file_)) return platform::Status::Fail(ErrnoText(errno != 0 ? errno : EIO));
  return platform::Status::Ok();
}

bool FileReader::HasMore() { return std::fgetc(file_) != EOF; }

}  // namespace printing

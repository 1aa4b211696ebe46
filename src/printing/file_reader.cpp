#include "printing/file_reader.h"

#include <cerrno>
#include <system_error>

namespace printing {
namespace {

std::string ErrnoText(int number) { return std::generic_category().message(number); }

}  // namespace

FileReader::~FileReader() {
  if (file_ != nullptr) std::fclose(file_);
}

platform::Status FileReader::Open(const std::string& path, std::int64_t& length) {
  // Measured before it is opened: what is no file (a folder, a pipe) is
  // refused without waiting on it.
  const auto fs_path = PathFromText(path);
  std::error_code error;
  static_cast<void>(std::filesystem::file_size(fs_path, error));
  if (error) return platform::Status::Fail("the file could not be measured (" + error.message() + ")");
  errno = 0;
  file_ = OpenForReading(fs_path);
  if (file_ == nullptr) return platform::Status::Fail("the file could not be opened (" + ErrnoText(errno) + ")");
  // Measured again once open, so that the length and the times compared
  // at the end are the open file's.
  if (!StampOf(file_, measured_)) {
    return platform::Status::Fail("the file could not be measured (" + ErrnoText(errno != 0 ? errno : EIO) + ")");
  }
  // Unbuffered: chunks go straight into the caller's buffer, and each read
  // sees the file as it is now, not as an earlier read left it buffered.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  length = measured_.size;
  return platform::Status::Ok();
}

platform::Status FileReader::Read(void* buffer, std::size_t size, std::size_t& got) {
  errno = 0;
  got = std::fread(buffer, 1, size, file_);
  if (got < size && std::ferror(file_)) return platform::Status::Fail(ErrnoText(errno != 0 ? errno : EIO));
  return platform::Status::Ok();
}

bool FileReader::HasMore() { return std::fgetc(file_) != EOF; }

platform::Status FileReader::Unchanged() const {
  FileStamp now;
  if (!StampOf(file_, now)) return platform::Status::Fail("the file could no longer be measured");
  if (now == measured_) return platform::Status::Ok();
  return platform::Status::Fail(now.size == measured_.size ? "the file was rewritten while it was sent"
                                                           : "the file changed size while it was sent");
}

}  // namespace printing

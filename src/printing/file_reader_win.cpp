// SPDX-License-Identifier: Apache-2.0
// Files on Windows: paths arrive as UTF-8 and are opened by their UTF-16
// form, so that names outside the ANSI code page open too.
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "printing/file_reader.h"

namespace printing {

// The narrow constructor would read the UTF-8 text in the ANSI code page.
std::filesystem::path PathFromText(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

std::FILE* OpenForReading(const std::filesystem::path& path) { return _wfopen(path.c_str(), L"rb"); }

bool StampOf(std::FILE* file, FileStamp& stamp) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  FILE_BASIC_INFO times{};
  LARGE_INTEGER size{};
  if (handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(handle, &size) ||
      !GetFileInformationByHandleEx(handle, FileBasicInfo, &times, sizeof times)) {
    return false;
  }
  stamp.size = size.QuadPart;
  stamp.modified = times.LastWriteTime.QuadPart;
  stamp.changed = times.ChangeTime.QuadPart;
  return true;
}

}  // namespace printing

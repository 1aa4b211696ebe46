#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "send/input_spool.h"
#include "send/input_spool_system.h"

namespace sender {

// The second Ctrl+C ends the program before any handler could run.
void Keep(const std::filesystem::path&) {}
void RemoveKeptInputNow() {}

std::string PathText(const std::filesystem::path& path) {
  const auto text = path.u8string();
  return std::string(text.begin(), text.end());
}

platform::Status CreateTemporary(const std::filesystem::path& folder, std::filesystem::path& path, File& file) {
  wchar_t name[MAX_PATH];
  if (GetTempFileNameW(folder.c_str(), L"tvs", 0, name) == 0) {
    return platform::Status::Fail("no temporary file could be made in " + PathText(folder));
  }
  path = name;
  file.reset(_wfopen(name, L"wb"));
  return platform::Status::Ok();
}

// A console or pipe read cannot be watched so; an interrupt is seen once
// it returns.
bool AwaitInput(int, const std::atomic<bool>& stop) { return !stop.load(); }

long ReadSome(int input, char* buffer, std::size_t size) {
  return _read(input, buffer, static_cast<unsigned>(size));
}

void ReadBinary(int input) { _setmode(input, _O_BINARY); }

}  // namespace sender

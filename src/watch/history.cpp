#include "watch/history.h"

#include <chrono>
#include <ctime>
#include <fstream>

#include "watch/folder_access.h"

namespace watch {
namespace {

void AppendString(std::string& out, const std::string& text) {
  constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == '"' || byte == '\\') {
      out += '\\';
      out += static_cast<char>(byte);
    } else if (byte < 0x20 || byte >= 0x80) {
      // A valid UTF-8 sequence goes as it is; anything else escaped.
      std::size_t length = byte >= 0xC2 && byte <= 0xDF ? 2 : byte >= 0xE0 && byte <= 0xEF ? 3
                           : byte >= 0xF0 && byte <= 0xF4                                 ? 4
                                                                                           : 0;
      for (std::size_t k = 1; k < length; ++k) {
        if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) length = 0;
      }
      if (length > 0) {
        out.append(text, i, length);
        i += length - 1;
      } else {
        out += "\\u00";
        out += kHex[byte >> 4];
        out += kHex[byte & 0xF];
      }
    } else {
      out += static_cast<char>(byte);
    }
  }
  out += '"';
}

// Reads a string starting at `at` (its opening quote); false when it is
// not one of ours.
bool ReadString(const std::string& line, std::size_t& at, std::string& out) {
  if (at >= line.size() || line[at] != '"') return false;
  for (++at; at < line.size(); ++at) {
    const char c = line[at];
    if (c == '"') {
      ++at;
      return true;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++at >= line.size()) return false;
    const char escaped = line[at];
    if (escaped == 'u') {
      if (at + 4 >= line.size()) return false;
      const unsigned long code = std::stoul(line.substr(at + 1, 4), nullptr, 16);
      if (code > 0xFF) return false;  // only what ToJsonLine writes
      out += static_cast<char>(code);
      at += 4;
    } else {
      out += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
    }
  }
  return false;
}

}  // namespace

std::string ToJsonLine(const HistoryRecord& r) {
  std::string line = "{";
  auto field = [&line](const char* key, const std::string& value) {
    if (line.size() > 1) line += ',';
    line += '"';
    line += key;
    line += "\":";
    AppendString(line, value);
  };
  field("time", r.time);
  field("file", r.file);
  field("work", r.work);
  line += ",\"size\":" + std::to_string(r.size);
  field("sha256", r.sha256);
  field("printer", r.printer);
  line += ",\"job\":" + std::to_string(r.job);
  field("request_id", r.job > 0 ? r.printer + "-" + std::to_string(r.job) : "");
  field("verdict", r.verdict);
  field("reason", r.reason);
  return line + "}";
}

std::optional<HistoryRecord> FromJsonLine(const std::string& line) {
  HistoryRecord r;
  std::size_t at = 0;
  if (line.empty() || line[at++] != '{') return std::nullopt;
  try {
    while (at < line.size() && line[at] != '}') {
      if (line[at] == ',') ++at;
      std::string key, value;
      if (!ReadString(line, at, key) || at >= line.size() || line[at++] != ':') return std::nullopt;
      if (at < line.size() && line[at] == '"') {
        if (!ReadString(line, at, value)) return std::nullopt;
      } else {
        const auto end = line.find_first_of(",}", at);
        if (end == std::string::npos) return std::nullopt;
        value = line.substr(at, end - at);
        at = end;
      }
      if (key == "time") r.time = value;
      if (key == "file") r.file = value;
      if (key == "work") r.work = value;
      if (key == "size") r.size = std::stoll(value);
      if (key == "sha256") r.sha256 = value;
      if (key == "printer") r.printer = value;
      if (key == "job") r.job = std::stoi(value);
      if (key == "verdict") r.verdict = value;
      if (key == "reason") r.reason = value;
    }
  } catch (const std::exception&) {
    return std::nullopt;  // a number that is not one: a line cut short by a crash
  }
  if (at >= line.size() || r.work.empty() || r.verdict.empty()) return std::nullopt;
  return r;
}

std::string ReadableLine(const HistoryRecord& r) {
  std::string time = r.time;
  if (time.size() == 20) time = time.substr(0, 10) + " " + time.substr(11, 8);
  std::string line = time + "  " + r.verdict + "  " + r.file + "  " + std::to_string(r.size) + " bytes";
  if (r.job > 0) line += "  " + r.printer + "-" + std::to_string(r.job);
  if (!r.reason.empty()) line += "  " + r.reason;
  return line;
}

std::string UtcNow() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm utc{};
#ifdef _MSC_VER
  gmtime_s(&utc, &now);
#else
  utc = *std::gmtime(&now);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

History::~History() {
  if (file_ != nullptr) std::fclose(file_);
}

platform::Status History::Open(const std::filesystem::path& path) {
  file_ = OpenForAppend(path);
  if (file_ == nullptr) return platform::Status::Fail("the history " + path.string() + " cannot be opened");
  // Buffered whole, so that each line leaves in one write (see Append).
  std::setvbuf(file_, nullptr, _IOFBF, 1 << 16);
  return platform::Status::Ok();
}

platform::Status History::Append(const HistoryRecord& record, bool durable) {
  // One write a line, so that the lines of two watchers do not mix.
  // After a failed write the line starts on a line of its own, so that
  // what is left of the failed one does not spoil it.
  const std::string line = (cut_ ? "\n" : "") + ToJsonLine(record) + "\n";
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0) {
    std::clearerr(file_);
    cut_ = true;
    return platform::Status::Fail("the history could not be written (the disk may be full)");
  }
  cut_ = false;
  if (durable) {
    if (auto synced = SyncFile(file_); !synced.IsOk()) {
      return platform::Status::Fail("the history could not be written: " + synced.Reason());
    }
  }
  return platform::Status::Ok();
}

std::map<std::string, HistoryRecord> LastRecords(const std::filesystem::path& path) {
  std::map<std::string, HistoryRecord> last;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (auto record = FromJsonLine(line)) last[record->work] = std::move(*record);
  }
  return last;
}

platform::StatusOr<std::string> HistoryText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return platform::Status::Fail("there is no history in " + path.parent_path().parent_path().string());
  std::string text;
  for (std::string line; std::getline(in, line);) {
    const auto record = FromJsonLine(line);
    if (!record) continue;
    if (record->verdict == kPrinted || record->verdict == kFailed || record->verdict == kReturned) {
      text += ReadableLine(*record) + "\n";
    }
  }
  return text;
}

}  // namespace watch

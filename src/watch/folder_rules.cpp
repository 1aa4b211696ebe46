#include "watch/folder_rules.h"

#include <algorithm>
#include <cctype>

namespace watch {
namespace {

bool EndsWithNoCase(const std::string& text, const std::string& end) {
  if (text.size() < end.size()) return false;
  return std::equal(end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
                    [](char lower, char c) { return std::tolower(static_cast<unsigned char>(c)) == lower; });
}

}  // namespace

bool IsIgnoredName(const std::string& name) {
  if (name.empty() || name[0] == '.' || name.back() == '~') return true;
  for (const char* end : {".tmp", ".part", ".crdownload"}) {
    if (EndsWithNoCase(name, end)) return true;
  }
  return false;
}

std::string FreeName(const std::string& name, const std::function<bool(const std::string&)>& taken) {
  if (!taken(name)) return name;
  // The suffix goes before the extension, so that the file keeps its type;
  // a leading dot is no extension.
  const auto dot = name.rfind('.');
  const bool has_extension = dot != std::string::npos && dot > 0;
  const std::string stem = has_extension ? name.substr(0, dot) : name;
  const std::string extension = has_extension ? name.substr(dot) : "";
  for (int n = 2;; ++n) {
    auto candidate = stem + " (" + std::to_string(n) + ")" + extension;
    if (!taken(candidate)) return candidate;
  }
}

bool Ready(const Candidate& candidate, std::chrono::steady_clock::time_point now, std::chrono::seconds settle) {
  return candidate.closed || now - candidate.unchanged_since >= settle;
}

void Observe(Candidate& candidate, const Sighting& seen, std::chrono::steady_clock::time_point now) {
  if (seen.size == candidate.last.size && seen.modified == candidate.last.modified) return;
  candidate.last = seen;
  candidate.unchanged_since = now;
  candidate.closed = false;
}

bool ArrivesBefore(const Sighting& a, const Sighting& b) {
  return a.modified != b.modified ? a.modified < b.modified : a.name < b.name;
}

std::string NotAFileReason(std::filesystem::file_type type) {
  // A link is not followed: whoever may write into the folder would
  // otherwise print any file the watcher can read, or one that never ends.
  if (type == std::filesystem::file_type::symlink) {
    return "a symbolic link, which is not followed: put the file itself into the folder";
  }
  return "not a regular file (a pipe, socket or device): only files are printed";
}

std::string Utf8(const std::filesystem::path& path) {
  const auto text = path.u8string();
  return std::string(text.begin(), text.end());
}

std::filesystem::path FromUtf8(const std::string& text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace watch

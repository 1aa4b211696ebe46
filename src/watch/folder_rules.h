// SPDX-License-Identifier: Apache-2.0
#pragma once
// The watched folder's rules in small pure functions: which names are left
// alone, when a file counts as finished by its writer, in which order the
// files go, and the free name a file is moved to beside others.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace watch {

// Where the watcher keeps its work, the documents that printed and those
// that did not, all inside the watched folder.
inline constexpr char kWorkFolder[] = ".torvane";
inline constexpr char kPrintedFolder[] = "printed";
inline constexpr char kFailedFolder[] = "failed";
inline constexpr char kHistoryFile[] = "history.jsonl";
// Beside a failed file: why it failed.
inline constexpr char kReasonSuffix[] = ".reason.txt";

// Hidden names (".x") and those of files still being written by tools that
// write then rename ("x~", "x.tmp", "x.part", "x.crdownload"), any case.
bool IsIgnoredName(const std::string& name);

// `name` when `taken` says it is free, else the first free one of
// "stem (2).ext", "stem (3).ext", ...
std::string FreeName(const std::string& name, const std::function<bool(const std::string&)>& taken);

// A file as one look at the folder found it.
struct Sighting {
  std::string name;
  std::int64_t size = 0;
  std::filesystem::file_time_type modified{};
  // Anything but a regular file (a symbolic link, a pipe, a device): it is
  // never opened, and goes to failed/ with NotAFileReason.
  bool regular = true;
};

// Why an entry of kind `type` in the folder is not printed.
std::string NotAFileReason(std::filesystem::file_type type);

// A file not yet claimed, with what is known of its writer.
struct Candidate {
  Sighting last;
  std::chrono::steady_clock::time_point unchanged_since{};  // when `last` was first seen as it is
  bool closed = false;  // its writer closed it (or renamed it in) since it last changed
};

// Whether the candidate may be taken at `now`: its writer closed it, or it
// has not changed for `settle`.
bool Ready(const Candidate& candidate, std::chrono::steady_clock::time_point now, std::chrono::seconds settle);

// Notes a new look at a candidate: a change of size or time restarts its
// settle time and forgets an earlier close.
void Observe(Candidate& candidate, const Sighting& seen, std::chrono::steady_clock::time_point now);

// The order files go in: oldest first, then by name.
bool ArrivesBefore(const Sighting& a, const Sighting& b);

// A path as UTF-8 (the job engine's and the history's form), and back.
std::string Utf8(const std::filesystem::path& path);
std::filesystem::path FromUtf8(const std::string& text);

}  // namespace watch

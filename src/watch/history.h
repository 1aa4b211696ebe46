// SPDX-License-Identifier: Apache-2.0
#pragma once
// The history of a watched folder: one JSON line per step of a document,
// appended to FOLDER/.torvane/history.jsonl by every watcher of the folder.
// A document's last line says where it stands, so that a watcher starting
// after a crash knows what became of each file left in a work folder.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include "platform/status.h"

namespace watch {

// The steps a document's lines tell, in order. "sending" is written (and
// made durable) before anything of the document reaches the spooler;
// "started" once the spooler made its job, "sent" once it took it whole;
// the verdict lines end it.
inline constexpr char kSending[] = "sending";
inline constexpr char kStarted[] = "started";
inline constexpr char kSent[] = "sent";
inline constexpr char kPrinted[] = "printed";
inline constexpr char kFailed[] = "failed";
inline constexpr char kReturned[] = "returned";  // given back to the folder unprinted, to go again

struct HistoryRecord {
  std::string time;  // UTC, as 2026-01-31T23:59:59Z
  std::string file;  // the name it arrived under
  std::string work;  // where it is kept meanwhile: WORKFOLDER/NAME inside .torvane
  std::int64_t size = 0;
  std::string sha256;
  std::string printer;
  int job = 0;  // the spooler's id; 0 before it made one
  std::string verdict;
  std::string reason;
};

// One line of JSON, without its line end. Bytes that are not UTF-8 (a
// Linux file name may hold any) are written as \u0080-\u00ff escapes, so
// that the line stays JSON and reads back as the same bytes.
std::string ToJsonLine(const HistoryRecord& record);
// The record of a line; nothing when the line is not one.
std::optional<HistoryRecord> FromJsonLine(const std::string& line);

// The readable form: "2026-01-31 23:59:59  printed  a.prn  1200 bytes  Label-17  REASON".
std::string ReadableLine(const HistoryRecord& record);

// The current time as the history writes it.
std::string UtcNow();

class History {
 public:
  ~History();
  platform::Status Open(const std::filesystem::path& path);
  // Appends the line; `durable`: on the disk before this returns.
  platform::Status Append(const HistoryRecord& record, bool durable = false);

 private:
  std::FILE* file_ = nullptr;
  bool cut_ = false;  // a write failed: the file may end in part of a line
};

// Each work entry's last record, from the history file at `path`
// (nothing when it does not exist yet).
std::map<std::string, HistoryRecord> LastRecords(const std::filesystem::path& path);

// Every verdict line of the history, readable, one a line; steps before a
// verdict are left out.
platform::StatusOr<std::string> HistoryText(const std::filesystem::path& path);

}  // namespace watch

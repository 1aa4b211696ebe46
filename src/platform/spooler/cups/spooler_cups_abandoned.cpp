// SPDX-License-Identifier: Apache-2.0
// The state file is read and written without following symbolic links,
// and replaced whole through a temporary file of a fresh name, renamed into
// place: nothing that exists under a name in the folder is ever opened for
// writing, and a reader never sees half a file.
#include "platform/spooler/cups/spooler_cups_abandoned.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/spooler/cups/spooler_cups_connection.h"

namespace platform::cups {
namespace {

namespace fs = std::filesystem;

// Another program holds the lock only while it rewrites the file; one that
// keeps it longer is not waited for.
constexpr auto kLockWait = std::chrono::seconds(2);
constexpr auto kLockPoll = std::chrono::milliseconds(10);
constexpr std::int64_t kMaxAgeSeconds = kMaxAgeDays * 24 * 60 * 60;
// A line written up to a day "later" than now is a clock set back, not garbage.
constexpr std::int64_t kClockSlackSeconds = 24 * 60 * 60;

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

// A file descriptor closed when it goes.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

// A plain number, as written.
bool ReadNumber(std::string_view text, std::int64_t& value) {
  if (text.empty() || text.size() > 18) return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

bool HoldsSeparator(std::string_view field) { return field.find_first_of("\t\n") != std::string_view::npos; }

std::string TextOf(ipp_t* attributes, const char* name) {
  const char* text = ippGetString(ippFindAttribute(attributes, name, IPP_TAG_ZERO), 0, nullptr);
  return text != nullptr ? text : "";
}

int NumberOf(ipp_t* attributes, const char* name) {
  ipp_attribute_t* number = ippFindAttribute(attributes, name, IPP_TAG_INTEGER);
  return number != nullptr ? ippGetInteger(number, 0) : 0;
}

bool Fresh(const AbandonedLine& line, std::int64_t now) {
  return line.written <= now + kClockSlackSeconds && now - line.written <= kMaxAgeSeconds;
}

}  // namespace

std::string FormatAbandonedLine(const AbandonedLine& line) {
  return line.server + '\t' + line.job.queue + '\t' + std::to_string(line.job.id) + '\t' + line.job.owner + '\t' +
         std::to_string(line.written) + '\t' + line.job.name;
}

std::optional<AbandonedLine> ParseAbandonedLine(std::string_view text) {
  std::string_view fields[6];
  for (int i = 0; i < 5; ++i) {
    const auto tab = text.find('\t');
    if (tab == std::string_view::npos) return std::nullopt;
    fields[i] = text.substr(0, tab);
    text.remove_prefix(tab + 1);
  }
  fields[5] = text;  // the name, which holds no control characters
  AbandonedLine line;
  std::int64_t id = 0;
  if (!ReadNumber(fields[2], id) || id < 1 || id > 0x7FFFFFFF || !ReadNumber(fields[4], line.written)) {
    return std::nullopt;
  }
  if (fields[0].empty() || fields[1].empty() || fields[3].empty() || fields[5].empty() || HoldsSeparator(fields[5])) {
    return std::nullopt;
  }
  line.server = fields[0];
  line.job = {std::string(fields[1]), static_cast<int>(id), std::string(fields[5]), std::string(fields[3])};
  return line;
}

bool IsAsLeft(const AbandonedJob& job, ipp_t* attributes) {
  ipp_attribute_t* reasons = ippFindAttribute(attributes, "job-state-reasons", IPP_TAG_KEYWORD);
  bool incoming = false;
  for (int i = 0; i < ippGetCount(reasons); ++i) {
    const char* reason = ippGetString(reasons, i, nullptr);
    incoming = incoming || (reason != nullptr && std::strcmp(reason, "job-incoming") == 0);
  }
  const std::string printer = TextOf(attributes, "job-printer-uri"), queue_path = "/printers/" + job.queue;
  const bool on_queue = printer.size() > queue_path.size() &&
                        printer.compare(printer.size() - queue_path.size(), queue_path.size(), queue_path) == 0;
  ipp_attribute_t* state = ippFindAttribute(attributes, "job-state", IPP_TAG_ENUM);
  return state != nullptr && ippGetInteger(state, 0) == IPP_JSTATE_HELD && incoming && on_queue &&
         TextOf(attributes, "job-name") == job.name && TextOf(attributes, "job-originating-user-name") == job.owner &&
         NumberOf(attributes, "number-of-documents") == 0 && NumberOf(attributes, "job-impressions-completed") == 0 &&
         NumberOf(attributes, "job-media-sheets-completed") == 0;
}

fs::path AbandonedJobs::StateFile() {
  const char* state = std::getenv("XDG_STATE_HOME");
  const char* home = std::getenv("HOME");
  fs::path folder;
  if (state != nullptr && *state == '/') {
    folder = state;
  } else if (home != nullptr && *home == '/') {
    folder = fs::path(home) / ".local" / "state";
  } else {
    return {};
  }
  return folder / "torvane" / "abandoned-jobs";
}

AbandonedJobs::AbandonedJobs(fs::path file) : file_(std::move(file)) {}

void AbandonedJobs::Add(const AbandonedJob& job) {
  AbandonedLine line{ServerName(), Now(), job};
  // A line that would not read back is not written.
  if (!ParseAbandonedLine(FormatAbandonedLine(line)) || FormatAbandonedLine(line).size() > kMaxLineBytes) return;
  Update([&line](std::vector<AbandonedLine>& lines) {
    lines.push_back(std::move(line));
    // Lines of schedulers never reached again (a private one long gone) are
    // not kept for ever: the oldest go first.
    if (lines.size() > kMaxLines) lines.erase(lines.begin(), lines.end() - kMaxLines);
    return true;
  });
}

std::vector<AbandonedJob> AbandonedJobs::Take() {
  const std::string server = ServerName();
  std::vector<AbandonedJob> taken;
  Update([&](std::vector<AbandonedLine>& lines) {
    std::vector<AbandonedLine> kept;
    for (auto& line : lines) {
      if (line.server == server) {
        taken.push_back(std::move(line.job));
      } else {
        kept.push_back(std::move(line));
      }
    }
    lines = std::move(kept);
    return !taken.empty();
  });
  return taken;
}

void AbandonedJobs::Update(const std::function<bool(std::vector<AbandonedLine>&)>& change) {
  if (file_.empty()) {
    change(in_memory_);
    return;
  }
  std::error_code error;
  fs::create_directories(file_.parent_path(), error);
  // A lock file of its own: the state file itself is replaced by each write.
  const Fd lock(open((file_.string() + ".lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (lock.Get() < 0) return;
  const auto give_up = std::chrono::steady_clock::now() + kLockWait;
  while (flock(lock.Get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) return;
    if (std::chrono::steady_clock::now() >= give_up) return;
    std::this_thread::sleep_for(kLockPoll);
  }
  bool trimmed = false;
  auto lines = Read(trimmed);
  // A file that held more than it keeps is rewritten even when nothing
  // else changed, so that the next reader has less to skip.
  if (change(lines) || trimmed) Write(lines);
}

std::vector<AbandonedLine> AbandonedJobs::Read(bool& trimmed) const {
  trimmed = false;
  // Not blocking: a FIFO in its place must not hang the program.
  const Fd in(open(file_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (in.Get() < 0) {
    trimmed = errno != ENOENT;  // a link, or anything else that is no file of ours, is replaced
    return {};
  }
  struct stat info {};
  if (fstat(in.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    trimmed = true;
    return {};
  }
  // Only the end of an overgrown file is read: the newest lines are last.
  constexpr off_t kMostBytes = static_cast<off_t>(kMaxLines * (kMaxLineBytes + 1));
  off_t start = info.st_size > kMostBytes ? info.st_size - kMostBytes : 0;
  std::string text(static_cast<std::size_t>(info.st_size - start), '\0');
  std::size_t got = 0;
  while (got < text.size()) {
    const ssize_t n = pread(in.Get(), text.data() + got, text.size() - got, start + static_cast<off_t>(got));
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  text.resize(got);
  trimmed = start > 0;
  std::vector<AbandonedLine> lines;
  const std::int64_t now = Now();
  std::string_view rest = text;
  // Cut in the middle of a line: that part is no line.
  if (start > 0) rest.remove_prefix(std::min(rest.size(), rest.find('\n') + 1));
  while (!rest.empty()) {
    const auto end = rest.find('\n');
    const std::string_view one = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    auto line = one.size() <= kMaxLineBytes ? ParseAbandonedLine(one) : std::nullopt;
    if (line && Fresh(*line, now)) {
      lines.push_back(std::move(*line));
    } else {
      trimmed = true;
    }
  }
  if (lines.size() > kMaxLines) {
    lines.erase(lines.begin(), lines.end() - kMaxLines);
    trimmed = true;
  }
  return lines;
}

void AbandonedJobs::Write(const std::vector<AbandonedLine>& lines) const {
  std::string text;
  for (const auto& line : lines) text += FormatAbandonedLine(line) + '\n';
  // A fresh name that nothing else can have taken, made by mkstemp with
  // O_EXCL: a link or file planted in the folder is never written through.
  std::string temporary = file_.string() + ".XXXXXX";
  const Fd out(mkostemp(temporary.data(), O_CLOEXEC));
  if (out.Get() < 0) return;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(out.Get(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  if (done != text.size() || std::rename(temporary.c_str(), file_.c_str()) != 0) unlink(temporary.c_str());
}

}  // namespace platform::cups

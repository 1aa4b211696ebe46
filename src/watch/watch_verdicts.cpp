// The watcher's verdicts: following the documents sent, moving each file
// by how its document ended, telling it, and judging the files that a
// watcher which ended without finishing left behind.
#include <map>
#include <system_error>
#include <utility>

#include "platform/spooler/printer.h"
#include "send/console_view.h"
#include "send/print_wait.h"
#include "send/send_options.h"
#include "watch/watcher.h"

namespace watch {
namespace {

namespace fs = std::filesystem;

// Documents asked about in one round at most, so that new files are sent
// in between, and how many found still going end it.
constexpr std::size_t kFollowWindow = 64;
constexpr std::size_t kStillGoing = 3;
// How long a spooler may go on taking a document whose sender was killed
// before the document counts as never taken whole.
constexpr auto kUnfinishedWait = std::chrono::seconds(10);
constexpr char kMayHavePrinted[] = "may have printed: check before printing it again";

}  // namespace

std::string Watcher::WorkKey(const fs::path& path) const {
  return Utf8(path.parent_path().filename()) + "/" + Utf8(path.filename());
}

platform::Status Watcher::Record(const Document& document, const char* verdict, const std::string& reason,
                                 bool durable) {
  HistoryRecord record{UtcNow(), document.name, WorkKey(document.path), document.size, document.sha256,
                       document.printer, document.job, verdict, reason};
  return history_.Append(record, durable);
}

void Watcher::Tell(const std::string& line, bool trouble) {
  (trouble ? console_.err : console_.out) << (trouble ? std::string(sender::kProgramName) + ": " : "") << line
                                          << '\n' << std::flush;
}

void Watcher::Trouble(const std::string& reason) {
  if (reason == last_trouble_) return;
  last_trouble_ = reason;
  Tell(sender::TerminalText(reason), true);
}

void Watcher::Conclude(const std::string& key, const char* verdict, const std::string& reason) {
  const auto found = documents_.find(key);
  if (found == documents_.end()) return;
  const Document& document = found->second;
  const std::string verb = verdict;
  // The verdict is on record first: a crash before the move has the next
  // watcher make it.
  if (auto recorded = Record(document, verdict, reason); !recorded.IsOk()) Trouble(recorded.Reason());
  platform::StatusOr<fs::path> moved = fs::path();
  std::error_code error;
  if (verb == kPrinted && settings_.delete_printed) {
    if (!fs::remove(document.path, error)) moved = platform::Status::Fail("it could not be removed (" + error.message() + ")");
  } else {
    const auto& into = verb == kPrinted ? layout_.printed : verb == kFailed ? layout_.failed : layout_.folder;
    moved = MoveUnder(document.path, into, document.name, OwnEnd::Source,
                      verb == kFailed ? std::optional(reason) : std::nullopt);
  }
  std::string line = verb + " " + sender::TerminalText(document.name);
  if (document.job > 0 && verb != kReturned) {
    line += " (request id " + sender::TerminalText(document.printer) + "-" + std::to_string(document.job) + ")";
  }
  if (verb != kPrinted && !reason.empty()) line += ": " + sender::TerminalText(reason);
  if (!moved.IsOk()) {
    Tell(line + "; it stays in " + sender::TerminalText(Utf8(work_)) + ": " + moved.Outcome().Reason(), true);
  } else if (verb == kFailed) {
    any_failed_ = true;
    Tell(line, true);
  } else if (!settings_.quiet) {
    Tell(line, false);
  }
  documents_.erase(found);
}

void Watcher::TellWaiting(printing::FollowedDocument& followed, const std::string& reason) {
  if (std::exchange(followed.told_waiting, true)) return;
  const auto& document = documents_[followed.document.path];
  Tell("waiting " + sender::TerminalText(document.name) + " (request id " + sender::TerminalText(document.printer) +
           "-" + std::to_string(document.job) + "): " + sender::TerminalText(reason), false);
}

bool Watcher::FollowRound() {
  JudgeUnfinished();
  // Documents print in the order they were sent: once a few of the oldest
  // are still going, those behind them are too, and are not asked yet.
  std::size_t asked = 0, going = 0;
  std::vector<printing::FollowedDocument> kept, behind;
  std::map<std::string, std::string> stopped;  // the printers found stopped, with why
  auto next = followed_.begin();
  while (next != followed_.end() && asked < kFollowWindow && going < kStillGoing && !console_.stop) {
    auto& followed = *next++;
    ++asked;
    const auto& sent = followed.document;
    const auto follow = platform::FollowDocument(spooler_, sent.printer_name, sent.job_id, [this] { return console_.stop.load(); });
    if (follow.fate == platform::Fate::Printed) {
      Conclude(sent.path, kPrinted);
      continue;
    }
    if (follow.fate == platform::Fate::Failed) {
      Conclude(sent.path, kFailed, "did not print: " + follow.reason);
      continue;
    }
    ++going;
    if (const auto& unasked = follow.status.asked; !unasked.IsOk()) {
      Trouble("the documents sent cannot be followed: " + unasked.Reason());
      // One that stopped answering is not asked about the others until the
      // next round, as each question would wait as long.
      if (unasked.IsTimedOut()) going = kStillGoing;
    }
    if (follow.fate == platform::Fate::Stuck) TellWaiting(followed, follow.reason);
    if (follow.status.printer_stopped) stopped[sent.printer_name] = follow.reason;
    // A document held prints out of turn: the others are asked about first.
    (follow.status.state == platform::DocumentState::Held ? behind : kept).push_back(followed);
  }
  kept.insert(kept.end(), next, followed_.end());
  kept.insert(kept.end(), behind.begin(), behind.end());
  followed_ = std::move(kept);
  // Those behind one on a stopped printer wait on it too, unasked.
  for (auto& followed : followed_) {
    const auto found = stopped.find(followed.document.printer_name);
    if (found != stopped.end()) TellWaiting(followed, found->second);
  }
  return asked == kFollowWindow && going < kStillGoing;
}

void Watcher::JudgeUnfinished() {
  for (auto it = unfinished_.begin(); it != unfinished_.end() && !console_.stop;) {
    const auto [key, deadline] = *it;
    const auto& document = documents_[key];
    const auto status = spooler_.DocumentStatusOf(document.printer, document.job, [this] { return console_.stop.load(); });
    const auto fate = platform::Judge(status).fate;
    // CUPS keeps a job whose sender ended mid-document as still incoming.
    const bool incoming = status.reasons.find("job-incoming") != std::string::npos;
    if (!status.asked.IsOk() || (incoming && Clock::now() < deadline)) {
      ++it;
      continue;
    }
    it = unfinished_.erase(it);
    // Gone says printed only of a document sent whole.
    if (fate == platform::Fate::Printed && status.state == platform::DocumentState::Gone) {
      Conclude(key, kFailed, kMayHavePrinted);
    } else if (fate == platform::Fate::Printed) {
      Conclude(key, kPrinted);
    } else if (fate == platform::Fate::Failed || incoming) {
      // Never taken whole, so nothing of it printed: it goes again.
      Conclude(key, kReturned,
               "its document was not taken whole before the watcher ended; sent again" +
                   std::string(incoming ? " (the unfinished job " + std::to_string(document.job) +
                                              " stays in the queue, unable to print)"
                                        : ""));
    } else {
      followed_.push_back({{key, document.job, document.printer}});
    }
  }
}

int Watcher::FinishOnce() {
  std::vector<printing::SentDocument> sent;
  for (const auto& followed : followed_) sent.push_back(followed.document);
  const auto follows = sender::FollowSent(spooler_, sent, std::nullopt, console_.stop);
  if (console_.stop) return sender::kExitInterrupted;
  const auto verdict = sender::JudgeWait(sent, follows);
  for (std::size_t i = 0; i < sent.size(); ++i) {
    if (follows[i].fate == platform::Fate::Printed) Conclude(sent[i].path, kPrinted);
    if (follows[i].fate == platform::Fate::Failed) Conclude(sent[i].path, kFailed, "did not print: " + follows[i].reason);
  }
  for (const auto& unprinted : verdict.unprinted) {
    if (documents_.count(unprinted.path) == 0) continue;
    Tell(sender::TerminalText(documents_[unprinted.path].name) + ": " + sender::TerminalText(unprinted.reason) +
             "; it stays in " + sender::TerminalText(Utf8(work_)) + " for the next run",
         true);
  }
  if (any_failed_) return sender::kExitNotSent;
  return verdict.status;
}

void Watcher::Recover() {
  std::error_code error;
  std::map<std::string, HistoryRecord> last;
  bool read = false;
  for (const auto& entry : fs::directory_iterator(layout_.work_root, error)) {
    const auto name = Utf8(entry.path().filename());
    if (!entry.is_directory() || name.rfind("work-", 0) != 0 || entry.path() == work_) continue;
    // A watcher that ended between making its folder and locking it had
    // claimed nothing yet.
    if (!fs::exists(entry.path() / "lock", error)) {
      fs::remove(entry.path(), error);
      continue;
    }
    auto locked = TryLock(entry.path() / "lock");
    if (!locked.IsOk() || !locked.Value()) continue;  // its watcher is running
    if (!read) last = LastRecords(layout_.history);
    read = true;
    RecoverFolder(entry.path(), last);
    taken_over_.push_back({entry.path(), std::move(locked.Value())});
  }
}

void Watcher::RecoverFolder(const fs::path& work, std::map<std::string, HistoryRecord>& last) {
  std::error_code error;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(work, error)) {
    // Claims never take a hidden name: such a one is the watcher's own.
    const auto name = Utf8(entry.path().filename());
    if (name != "lock" && !IsIgnoredName(name)) files.push_back(entry.path());
  }
  for (const auto& path : files) {
    const auto found = last.find(WorkKey(path));
    RecoverFile(path, found == last.end() ? nullptr : &found->second);
  }
}

void Watcher::RecoverFile(const fs::path& path, const HistoryRecord* record) {
  // It stays where it is, under the lock this watcher now holds, so that
  // its history still tells it if this watcher ends too.
  const std::string name = record != nullptr ? record->file : Utf8(path.filename());
  const auto key = WorkKey(path);
  Document& document = documents_[key];
  document = {name, path, 0, {}, settings_.printer, 0};
  if (record != nullptr) {
    document.size = record->size;
    document.sha256 = record->sha256;
    document.printer = record->printer;
    document.job = record->job;
  }
  const std::string step = record != nullptr ? record->verdict : kReturned;
  // Claimed, never started (no line of it at all): it goes again.
  if (record == nullptr || step == kReturned) {
    return Conclude(key, kReturned, record ? record->reason : "claimed by a watcher that ended before sending it");
  }
  if (step == kPrinted || step == kFailed) return Conclude(key, step.c_str(), record->reason);
  if (step == kSending || document.job == 0) return Conclude(key, kFailed, kMayHavePrinted);
  if (const auto why = spooler_.Unfollowable(document.printer); !why.empty()) {
    if (step == kSent) return Conclude(key, kPrinted, "delivered whole; " + why);
    return Conclude(key, kFailed, kMayHavePrinted);
  }
  const auto status = spooler_.DocumentStatusOf(document.printer, document.job, {});
  if (status.asked.IsOk() && status.state == platform::DocumentState::Gone) {
    // A spooler that forgets the jobs it printed (Windows') says of one
    // sent whole what it says to a running watcher: printed.
    if (step == kSent && status.gone_may_have_printed) return Conclude(key, kPrinted);
    return Conclude(key, kFailed, kMayHavePrinted);
  }
  if (auto recorded = Record(document, step.c_str()); !recorded.IsOk()) Trouble(recorded.Reason());
  if (step == kStarted) {
    unfinished_[key] = Clock::now() + kUnfinishedWait;
    return;
  }
  followed_.push_back({{key, document.job, document.printer}});
}

}  // namespace watch

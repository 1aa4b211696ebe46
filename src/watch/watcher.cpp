#include "watch/watcher.h"

#include <algorithm>
#include <set>
#include <system_error>
#include <thread>

#include "printing/print_job.h"
#include "send/console_view.h"
#include "send/send_options.h"
#include "watch/recording_spooler.h"
#include "watch/sha256.h"

namespace watch {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Files claimed and sent in one print job, so that verdicts and new files
// are looked at between two batches of a burst.
constexpr std::size_t kBatch = 64;
// Documents at the spooler not ended yet, at most: the rest wait in the
// folder, where another watcher may take them, and a spooler with a short
// queue takes each new job sooner.
constexpr std::size_t kMostFollowed = 256;
constexpr auto kRescanEvery = 1s;
constexpr auto kFollowEvery = 500ms;
constexpr auto kRetryAfter = 5s;
constexpr auto kEventWait = 100ms;

// The print job's view for the watcher: nothing to show while a document
// goes; which file is in hand, which ones the spooler took.
class WatchJobView final : public printing::PrintJobView {
 public:
  WatchJobView(const std::atomic<bool>& stop, std::function<void(std::size_t)> selected,
               std::function<void(std::size_t, int)> sent)
      : stop_(stop), selected_(std::move(selected)), sent_(std::move(sent)) {}
  void SelectLine(std::size_t index, const std::string&) override { selected_(index); }
  void DeselectLine(std::size_t, const std::string&) override {}
  void SetProgress(std::int64_t, std::int64_t) override {}
  void ShowMessage(const std::string& text) override { message = text; }
  void SetPrintEnabled(bool) override {}
  void DocumentSent(std::size_t index, const std::string&, int job_id) override { sent_(index, job_id); }
  void ShowPrinterUnusable(const std::string& printer_name, const std::string& reason) override {
    message = "printer \"" + printer_name + "\": " + (reason.empty() ? "not recognized" : reason);
  }
  void ReportNotSent(const std::vector<printing::NotSent>&, const platform::Status&) override {}
  bool StopRequested() const override { return stop_.load(); }

  std::string message;

 private:
  const std::atomic<bool>& stop_;
  std::function<void(std::size_t)> selected_;
  std::function<void(std::size_t, int)> sent_;
};

}  // namespace

int RunWatcher(const WatchSettings& settings, platform::Spooler& spooler, sender::Console console) {
  return Watcher(settings, spooler, console).Run();
}

Watcher::Watcher(const WatchSettings& settings, platform::Spooler& spooler, sender::Console console)
    : settings_(settings), spooler_(spooler), console_(console), layout_(settings.folder) {}

platform::Status Watcher::Prepare() {
  if (auto made = layout_.Make(); !made.IsOk()) return made;
  if (auto opened = history_.Open(layout_.history); !opened.IsOk()) return opened;
  // A work folder of this run's own: its lock tells other watchers that
  // its owner is alive.
  const auto started = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::system_clock::now().time_since_epoch()).count();
  work_ = layout_.work_root / FromUtf8("work-" + OwnerName() + "-" + std::to_string(started));
  std::error_code error;
  fs::create_directory(work_, error);
  if (error) return platform::Status::Fail("the work folder " + Utf8(work_) + " cannot be made (" + error.message() + ")");
  auto locked = TryLock(work_ / "lock");
  if (!locked.IsOk()) return locked.Outcome();
  if (!locked.Value()) return platform::Status::Fail("the work folder " + Utf8(work_) + " is another watcher's");
  lock_ = std::move(locked.Value());
  if (auto movable = CheckMoves(work_); !movable.IsOk()) return movable;
  auto watched = WatchFolder(layout_.folder);
  if (!watched.IsOk()) return watched.Outcome();
  events_ = std::move(watched.Value());
  unfollowable_ = spooler_.Unfollowable(settings_.printer);
  return platform::Status::Ok();
}

int Watcher::Run() {
  if (auto prepared = Prepare(); !prepared.IsOk()) {
    console_.err << sender::kProgramName << ": --watch: " << sender::TerminalText(prepared.Reason()) << '\n' << std::flush;
    return sender::kExitNotSent;
  }
  Recover();
  // --once takes what is there at the start: documents a killed watcher
  // left unfinished are judged first, so that those sent again count.
  while (settings_.once && !unfinished_.empty() && !console_.stop) {
    JudgeUnfinished();
    if (!unfinished_.empty()) std::this_thread::sleep_for(kFollowEvery);
  }
  auto now = Clock::now();
  Rescan(now);
  std::set<std::string> at_start;
  for (const auto& [name, candidate] : candidates_) at_start.insert(name);
  auto next_rescan = now + kRescanEvery, next_follow = now;
  int status = sender::kExitInterrupted;
  bool more_ready = false;
  while (!console_.stop) {
    // With files ready the events are only looked at; idle, waited for
    // until the next round of questions or the next rescan.
    const auto until = std::chrono::duration_cast<std::chrono::milliseconds>(std::min(next_follow, next_rescan) - Clock::now());
    const auto batch = events_->Wait(more_ready ? 0ms : std::clamp(until, 0ms, kEventWait));
    now = Clock::now();
    std::error_code error;
    if (batch.folder_gone || !fs::exists(layout_.folder, error)) {
      Tell("the folder " + Utf8(layout_.folder) + " was removed or moved away; the watch ends", true);
      status = sender::kExitNotSent;
      break;
    }
    // --once leaves files that arrive meanwhile for the next run.
    if (!settings_.once) OnEvents(batch, now);
    if (batch.overflowed || now >= next_rescan) {
      if (!settings_.once) Rescan(now);
      next_rescan = now + kRescanEvery;
    }
    if (settings_.once) {
      for (auto it = candidates_.begin(); it != candidates_.end();) {
        it = at_start.count(it->first) != 0 ? std::next(it) : candidates_.erase(it);
      }
    }
    more_ready = now >= retry_after_ && SendReady(now);
    if (settings_.once && candidates_.empty()) {
      status = FinishOnce();
      break;
    }
    if (Clock::now() >= next_follow) {
      const bool more_ended = FollowRound();
      next_follow = more_ended ? Clock::now() : Clock::now() + kFollowEvery;
    }
  }
  // Documents still followed stay in the work folder, told by the
  // history: the next watcher follows them. An empty work folder goes.
  taken_over_.emplace_back(work_, std::move(lock_));
  for (auto& [work, lock] : taken_over_) {
    // Let go first: Windows removes no file that is open.
    lock.reset();
    std::error_code error;
    const auto left = std::distance(fs::directory_iterator(work, error), fs::directory_iterator());
    if (!error && left == 1) {
      fs::remove(work / "lock", error);
      fs::remove(work, error);
    }
  }
  return console_.stop ? sender::kExitInterrupted : status;
}

void Watcher::Rescan(Clock::time_point now) {
  platform::Status listed;
  auto files = ListFiles(layout_.folder, listed);
  if (!listed.IsOk()) return Trouble(listed.Reason());
  std::set<std::string> present;
  for (auto& seen : files) {
    present.insert(seen.name);
    auto [it, added] = candidates_.try_emplace(seen.name);
    if (added) it->second = {seen, now, false};
    Observe(it->second, seen, now);
  }
  for (auto it = candidates_.begin(); it != candidates_.end();) {
    it = present.count(it->first) != 0 ? std::next(it) : candidates_.erase(it);
  }
}

void Watcher::OnEvents(const FolderEvents::Batch& batch, Clock::time_point now) {
  for (const auto& name : batch.finished) {
    Sighting seen{name};
    if (IsIgnoredName(name) || !LookAt(layout_.folder / FromUtf8(name), seen)) continue;
    auto [it, added] = candidates_.try_emplace(name);
    if (added) it->second = {seen, now, false};
    Observe(it->second, seen, now);
    it->second.closed = true;
  }
}

bool Watcher::SendReady(Clock::time_point now) {
  if (followed_.size() >= kMostFollowed) return false;
  const std::size_t batch = std::min(kBatch, kMostFollowed - followed_.size());
  std::vector<Candidate*> ready;
  for (auto& [name, candidate] : candidates_) {
    if (Ready(candidate, now, settings_.settle)) ready.push_back(&candidate);
  }
  std::sort(ready.begin(), ready.end(), [](const Candidate* a, const Candidate* b) { return ArrivesBefore(a->last, b->last); });
  std::vector<std::string> keys;
  std::size_t looked = 0, tried = 0;
  for (; looked < ready.size() && keys.size() < batch && !console_.stop; ++looked) {
    Candidate& candidate = *ready[looked];
    const std::string name = candidate.last.name;
    const auto path = layout_.folder / FromUtf8(name);
    // What the last look saw may be old by now (a burst takes a while):
    // a file not closed is looked at again.
    Sighting seen{name};
    if (!candidate.closed && LookAt(path, seen)) Observe(candidate, seen, now);
    if (!Ready(candidate, now, settings_.settle) || !WriterDone(path)) continue;
    seen = candidate.last;
    candidates_.erase(name);
    ++tried;
    if (auto key = Claim(seen); !key.empty()) keys.push_back(std::move(key));
  }
  if (!keys.empty()) {
    // The claims are on the disk before any of them is sent.
    SyncFolder(work_);
    SendClaimed(keys);
  }
  // Files looked at and left (still being written) wait for the next look.
  return tried > 0 && looked < ready.size() && Clock::now() >= retry_after_;
}

std::string Watcher::Claim(const Sighting& seen) {
  auto claimed = MoveUnder(layout_.folder / FromUtf8(seen.name), work_, seen.name, OwnEnd::Target);
  if (!claimed.IsOk()) {
    Trouble(seen.name + ": " + claimed.Outcome().Reason());
    return {};
  }
  if (claimed.Value().empty()) return {};  // another watcher took it
  const auto key = WorkKey(claimed.Value());
  Document& document = documents_[key];
  document = {seen.name, claimed.Value(), 0, {}, settings_.printer, 0};
  std::error_code error;
  // Looked at again once claimed: it may have been swapped for a link
  // between the look and the claim.
  const auto type = fs::symlink_status(document.path, error).type();
  if (type != fs::file_type::regular) {
    Conclude(key, kFailed, NotAFileReason(type));
    return {};
  }
  document.size = static_cast<std::int64_t>(fs::file_size(document.path, error));
  auto digest = FileSha256(Utf8(document.path));
  if (!digest.IsOk()) {
    Conclude(key, kFailed, "the file could not be read: " + digest.Outcome().Reason());
    return {};
  }
  document.sha256 = digest.Value();
  return key;
}

void Watcher::SendClaimed(std::vector<std::string>& keys) {
  if (keys.empty()) return;
  printing::PrintRequest request{{}, 0, settings_.printer};
  std::unordered_map<std::string, std::string> key_of;  // by the path sent
  for (const auto& key : keys) {
    const auto& document = documents_[key];
    request.file_paths.push_back(Utf8(document.path));
    request.document_names.push_back(document.name);
    key_of[request.file_paths.back()] = key;
  }
  request.copies = settings_.copies;
  std::set<std::string> started;
  std::map<std::string, std::string> unrecorded;  // not started, as the history could not say so first
  std::vector<std::string> sent;
  const auto recording = MakeRecordingSpooler(
      spooler_, {[&]() -> platform::Status {
                   auto recorded = Record(documents_[current_], kSending, {}, true);
                   if (recorded.IsOk()) started.insert(current_);
                   if (!recorded.IsOk()) unrecorded[current_] = recorded.Reason();
                   return recorded;
                 },
                 [&](int job) {
                   documents_[current_].job = job;
                   Record(documents_[current_], kStarted).IgnoreError();  // "sending" is the durable one
                 }});
  WatchJobView view(
      console_.stop, [&](std::size_t index) { current_ = keys[index]; },
      [&](std::size_t index, int job) {
        // Copies sent one by one are one document here: the last job is followed.
        auto& document = documents_[keys[index]];
        document.job = job;
        if (sent.empty() || sent.back() != keys[index]) sent.push_back(keys[index]);
      });
  const auto result = printing::RunPrintJob(view, *recording, request);
  if (result.end == printing::JobEnd::Refused) {
    Trouble(view.message);
    retry_after_ = Clock::now() + kRetryAfter;
    for (const auto& key : keys) Conclude(key, kReturned, view.message);
    any_failed_ = true;  // --once leaves it for the next run
    return;
  }
  // Moved only now: a file sent once per copy is read again for each.
  for (const auto& key : sent) {
    const auto& document = documents_[key];
    if (auto recorded = Record(document, kSent); !recorded.IsOk()) Trouble(recorded.Reason());
    if (!unfollowable_.empty()) {
      Conclude(key, kPrinted, "delivered whole; " + unfollowable_);
      continue;
    }
    if (!settings_.quiet) Tell("sent " + sender::TerminalText(document.name) + " (request id " +
                               sender::TerminalText(document.printer) + "-" + std::to_string(document.job) + ")", false);
    followed_.push_back({{key, document.job, document.printer}});
  }
  const bool stopped = result.end == printing::JobEnd::Stopped;
  for (const auto& not_sent : result.not_sent) {
    const auto& key = key_of[not_sent.path];
    const bool began = started.count(key) != 0;
    // A document cut short is taken back at the spooler: unless that
    // failed too, nothing of it prints, and the file goes again later.
    const bool may_print = not_sent.reason.find("may print") != std::string::npos;
    if (began && (!stopped || may_print)) {
      Conclude(key, kFailed, "not sent whole: " + not_sent.reason);
    } else {
      const auto& why = unrecorded.count(key) != 0 ? unrecorded[key] : not_sent.reason;
      if (!stopped) {
        Trouble(why);
        retry_after_ = Clock::now() + kRetryAfter;
        any_failed_ = true;  // --once leaves it for the next run
      }
      Conclude(key, kReturned, why);
    }
  }
}

}  // namespace watch

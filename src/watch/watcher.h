// SPDX-License-Identifier: Apache-2.0
#pragma once
// The watched folder: every regular file that is in it or arrives, once
// its writer is done, is claimed by a rename into a work folder of this
// watcher's own, sent through the print job as one document, followed at
// the spooler as --wait follows it, and moved by its verdict to printed/
// or failed/. The history tells each step, so that a watcher starting
// after a crash finds out what became of the files another one left.
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/spooler/spooler.h"
#include "printing/document_follow.h"
#include "send/send_command.h"
#include "watch/folder_access.h"
#include "watch/history.h"
#include "watch/work_folder.h"

namespace watch {

struct WatchSettings {
  std::filesystem::path folder;
  std::string printer;
  int copies = 1;
  std::chrono::seconds settle{2};
  bool delete_printed = false;
  bool once = false;   // what is there at the start, then its verdicts, then the end
  bool quiet = false;  // only what went wrong is told
};

// Runs until stopped (with `once`, until the files there at the start
// have their verdicts); returns the exit status, as torvane-send's.
int RunWatcher(const WatchSettings& settings, platform::Spooler& spooler, sender::Console console);

class Watcher {
 public:
  Watcher(const WatchSettings& settings, platform::Spooler& spooler, sender::Console console);
  int Run();

 private:
  using Clock = std::chrono::steady_clock;
  // A claimed file, from its claim to its verdict.
  struct Document {
    std::string name;  // as it arrived
    std::filesystem::path path;  // in the work folder
    std::int64_t size = 0;
    std::string sha256;
    std::string printer;
    int job = 0;
  };

  platform::Status Prepare();
  // Looks at the whole folder; new files start their settle time.
  void Rescan(Clock::time_point now);
  void OnEvents(const FolderEvents::Batch& batch, Clock::time_point now);
  // Claims the oldest files ready to go, a batch of them, and sends them;
  // true when more are ready.
  bool SendReady(Clock::time_point now);
  void SendClaimed(std::vector<std::string>& keys);
  // Claims one file; empty when another watcher took it first.
  std::string Claim(const Sighting& seen);
  // Asks the spooler about the oldest documents sent, in order, until a
  // few are found still going; moves those ended. True when the round
  // ended before any such: more may have ended.
  bool FollowRound();
  // Tells once that the document waits, and why.
  void TellWaiting(printing::FollowedDocument& followed, const std::string& reason);
  // Asks about the unfinished documents of an earlier watcher: followed on
  // once the spooler has them whole, sent again once known not to.
  void JudgeUnfinished();
  // --once: follows what is left as --wait does; gives the exit status.
  int FinishOnce();

  // The document's step in the history; `durable` ones are on the disk first.
  platform::Status Record(const Document& document, const char* verdict, const std::string& reason = {},
                          bool durable = false);
  // Moves the document by its verdict (printed, failed or returned), tells
  // it, and forgets it.
  void Conclude(const std::string& key, const char* verdict, const std::string& reason = {});
  void Tell(const std::string& line, bool trouble);
  // Tells a trouble once, until it changes.
  void Trouble(const std::string& reason);

  // Takes over the work folders of watchers that ended without finishing.
  void Recover();
  void RecoverFolder(const std::filesystem::path& work, std::map<std::string, HistoryRecord>& last);
  void RecoverFile(const std::filesystem::path& path, const HistoryRecord* record);
  std::string WorkKey(const std::filesystem::path& path) const;

  WatchSettings settings_;
  platform::Spooler& spooler_;
  sender::Console console_;
  FolderLayout layout_;
  std::filesystem::path work_;
  std::unique_ptr<FileLock> lock_;
  // Work folders of watchers that ended, held while their documents go on.
  std::vector<std::pair<std::filesystem::path, std::unique_ptr<FileLock>>> taken_over_;
  History history_;
  std::unique_ptr<FolderEvents> events_;
  std::string unfollowable_;  // why the printer's documents cannot be followed; empty when they can

  std::map<std::string, Candidate> candidates_;
  std::unordered_map<std::string, Document> documents_;  // by work key
  std::vector<printing::FollowedDocument> followed_;     // oldest first; their paths are work keys
  // Documents a watcher that ended had started but not sent whole, by
  // work key, with until when the spooler may still finish taking them.
  std::map<std::string, Clock::time_point> unfinished_;
  std::string current_;  // the document being sent
  Clock::time_point retry_after_{};
  std::string last_trouble_;
  bool any_failed_ = false;  // a file failed, or went back unsent: --once ends with 1
  bool once_left_ = false;  // --once: files of the start not yet claimed
};

}  // namespace watch

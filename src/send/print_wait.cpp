#include "send/print_wait.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "send/send_command.h"

namespace sender {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto kAskEvery = 500ms;
// How often an interrupt is looked for between two questions.
constexpr auto kStopCheckEvery = 100ms;

bool Settled(platform::Fate fate) { return fate == platform::Fate::Printed || fate == platform::Fate::Failed; }

// Where a document not printed yet stands, as the spooler tells it.
std::string NotYetPrinted(const platform::FollowUp& follow) {
  const auto& status = follow.status;
  if (!status.asked.IsOk()) return status.asked.Reason();
  const std::string state = status.state == platform::DocumentState::Held         ? "held"
                            : status.state == platform::DocumentState::Processing ? "printing"
                                                                                   : "queued";
  if (status.held_until_released) return follow.reason;
  if (follow.fate == platform::Fate::Stuck) return state + " on a stopped printer: " + follow.reason;
  return status.printer_message.empty() ? state : state + ": " + status.printer_message;
}

}  // namespace

std::vector<platform::FollowUp> FollowSent(platform::Spooler& spooler,
                                           const std::vector<printing::SentDocument>& sent,
                                           std::optional<int> limit_seconds, const std::atomic<bool>& stop) {
  std::optional<Clock::time_point> deadline;
  if (limit_seconds) deadline = Clock::now() + std::chrono::seconds(*limit_seconds);
  std::vector<platform::FollowUp> follows(sent.size());
  const auto silence_limit = std::chrono::duration<double>(platform::StallLimitSeconds());
  auto last_answer = Clock::now();
  for (;;) {
    bool unsettled = false, moving = false, unanswered = false;
    for (std::size_t i = 0; i < sent.size(); ++i) {
      if (Settled(follows[i].fate)) continue;
      // An interrupt also ends a question the print server leaves unanswered;
      // the answer cut short then says less than the one before it.
      auto follow = platform::FollowDocument(spooler, sent[i].printer_name, sent[i].job_id, [&stop] { return stop.load(); });
      if (stop) return follows;
      follows[i] = std::move(follow);
      const bool answered = follows[i].status.asked.IsOk();
      if (answered) last_answer = Clock::now();
      unanswered = unanswered || !answered;
      unsettled = unsettled || !Settled(follows[i].fate);
      moving = moving || (answered && follows[i].fate == platform::Fate::Waiting);
    }
    const auto now = Clock::now();
    // A print server silent (or unreachable) for the stall limit ends the
    // wait, with or without a limit of its own.
    const bool given_up = unanswered && now - last_answer >= silence_limit;
    if (!unsettled || given_up || (!deadline && !moving && !unanswered) || stop || (deadline && now >= *deadline)) {
      return follows;
    }
    const auto next = deadline ? std::min(now + kAskEvery, *deadline) : now + kAskEvery;
    while (!stop && Clock::now() < next) std::this_thread::sleep_for(kStopCheckEvery);
  }
}

WaitVerdict JudgeWait(const std::vector<printing::SentDocument>& sent,
                      const std::vector<platform::FollowUp>& follows) {
  std::vector<printing::NotSent> failed, waiting;
  for (std::size_t i = 0; i < sent.size(); ++i) {
    if (follows[i].fate == platform::Fate::Failed) failed.push_back({sent[i].path, "did not print: " + follows[i].reason});
    if (!Settled(follows[i].fate)) waiting.push_back({sent[i].path, "not printed yet: " + NotYetPrinted(follows[i])});
  }
  WaitVerdict verdict;
  verdict.status = !failed.empty() ? kExitNotSent : !waiting.empty() ? kExitTimedOut : kExitSent;
  verdict.unprinted = std::move(failed);
  verdict.unprinted.insert(verdict.unprinted.end(), waiting.begin(), waiting.end());
  return verdict;
}

}  // namespace sender

#include "platform/printer.h"

#include <utility>

#include "platform/job_name.h"

namespace platform {
namespace {

// A spooler that keeps accepting writes but takes nothing would hold the
// document forever; after this many such writes in a row it fails.
constexpr int kMaxIdleSends = 3;

const char kClosed[] = "the printer is closed";
const char kNoDocument[] = "no document is open";

}  // namespace

std::unique_ptr<Printer> Printer::Open(Spooler& spooler, const std::string& printer_name, StopCheck stop,
                                       SpoolResult& result) {
  auto port = spooler.Open(printer_name, std::move(stop), result);
  if (!port) return nullptr;
  return std::make_unique<Printer>(std::move(port));
}

SpoolResult Printer::StartDoc(const std::string& document_name) {
  if (state_ == State::kClosed) return SpoolResult::Fail(kClosed);
  if (!unanswered_) return unanswered_;
  if (state_ != State::kNoDocument) return SpoolResult::Fail("a document is already open");
  int job_id = 0;
  if (auto created = port_->CreateJob(JobName(document_name), job_id); !created) return Noted(created);
  job_id_ = job_id;
  state_ = State::kOpen;
  return SpoolResult::Ok();
}

SpoolResult Printer::Write(const void* data, std::size_t size, std::size_t& written) {
  written = 0;
  if (auto open = DocumentOpen(); !open) return open;
  const auto* bytes = static_cast<const unsigned char*>(data);
  int idle_sends = 0;
  while (written < size) {
    std::size_t taken = 0;
    const SpoolResult sent = port_->Send(bytes + written, size - written, taken);
    if (!sent) return Broken(sent);
    if (taken > size - written) return Broken(SpoolResult::Fail("the spooler claimed more bytes than it was given"));
    if (taken == 0 && ++idle_sends == kMaxIdleSends) return Broken(SpoolResult::Fail("the printer stopped taking data"));
    if (taken > 0) idle_sends = 0;
    written += taken;
  }
  return SpoolResult::Ok();
}

SpoolResult Printer::EndDoc() {
  // A document that lost data must not print.
  if (state_ == State::kBroken) return Remove(failure_);
  if (auto open = DocumentOpen(); !open) return open;
  const SpoolResult ended = port_->Finish();
  if (!ended && !ended.unanswered) return Remove(ended);
  state_ = State::kNoDocument;
  return Noted(ended);
}

SpoolResult Printer::CancelDoc() {
  if (state_ != State::kBroken) {
    if (auto open = DocumentOpen(); !open) return open;
  }
  state_ = State::kNoDocument;
  failure_ = {};
  return Noted(port_->Discard());
}

SpoolResult Printer::Close() {
  if (state_ == State::kClosed) return SpoolResult::Ok();
  // A document left open is removed, never half printed.
  SpoolResult result = state_ == State::kNoDocument ? SpoolResult::Ok() : CancelDoc();
  state_ = State::kClosed;
  if (auto closed = port_->Close(); !closed && result) result = closed;
  return result;
}

SpoolResult Printer::DocumentOpen() const {
  switch (state_) {
    case State::kOpen:
      return SpoolResult::Ok();
    case State::kBroken:
      return failure_;
    case State::kClosed:
      return SpoolResult::Fail(kClosed);
    case State::kNoDocument:
      break;
  }
  return unanswered_ ? SpoolResult::Fail(kNoDocument) : unanswered_;
}

SpoolResult Printer::Broken(SpoolResult failure) {
  if (failure.unanswered) {
    state_ = State::kNoDocument;
    return Noted(failure);
  }
  state_ = State::kBroken;
  failure_ = failure;
  return failure;
}

SpoolResult Printer::Remove(SpoolResult failure) {
  state_ = State::kNoDocument;
  failure_ = {};
  const SpoolResult removed = Noted(port_->Discard());
  if (removed) return failure;
  failure.reason += "; the document could not be removed (" + removed.reason + ")";
  failure.unanswered = removed.unanswered;
  return failure;
}

SpoolResult Printer::Noted(const SpoolResult& result) {
  if (result.unanswered) unanswered_ = result;
  return result;
}

FollowUp Judge(const DocumentStatus& status) {
  FollowUp follow{Fate::kWaiting, {}, status};
  const auto first_of = [](const std::string& a, const std::string& b) { return a.empty() ? b : a; };
  if (!status.failure.empty()) return follow;
  switch (status.state) {
    case DocumentState::kCompleted:
    case DocumentState::kGone:
      follow.fate = Fate::kPrinted;
      break;
    case DocumentState::kCancelled:
    case DocumentState::kAborted:
      follow.fate = Fate::kFailed;
      follow.reason = first_of(status.printer_message, first_of(status.reasons, status.state == DocumentState::kAborted
                                                                                 ? "aborted by the spooler"
                                                                                 : "cancelled at the spooler"));
      break;
    case DocumentState::kPending:
    case DocumentState::kHeld:
    case DocumentState::kProcessing:
      if (status.printer_stopped) {
        follow.fate = Fate::kStuck;
        follow.reason = first_of(status.stopped_reason, first_of(status.printer_message, "the printer has stopped"));
      }
      break;
  }
  return follow;
}

}  // namespace platform

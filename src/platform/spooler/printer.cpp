#include "platform/spooler/printer.h"

#include <utility>

#include "platform/spooler/job_name.h"

namespace platform {
namespace {

// A spooler that keeps accepting writes but takes nothing would hold the
// document forever; after this many such writes in a row it fails.
constexpr int kMaxIdleSends = 3;

const char kClosed[] = "the printer is closed";
const char kNoDocument[] = "no document is open";

}  // namespace

StatusOr<std::unique_ptr<Printer>> Printer::Open(Spooler& spooler, const std::string& printer_name, StopCheck stop) {
  auto port = spooler.Open(printer_name, std::move(stop));
  if (!port.IsOk()) return port.Outcome();
  return std::make_unique<Printer>(std::move(*port));
}

Status Printer::StartDoc(const std::string& document_name) {
  if (state_ == State::Closed) return Status::Fail(kClosed);
  if (!unanswered_.IsOk()) return unanswered_;
  if (state_ != State::NoDocument) return Status::Fail("a document is already open");
  const auto created = port_->CreateJob(JobName(document_name));
  if (!created.IsOk()) return Noted(created.Outcome());
  job_id_ = *created;
  state_ = State::Open;
  return Status::Ok();
}

Status Printer::Write(const void* data, std::size_t size, std::size_t& written) {
  written = 0;
  if (auto open = DocumentOpen(); !open.IsOk()) return open;
  const auto* bytes = static_cast<const unsigned char*>(data);
  int idle_sends = 0;
  while (written < size) {
    std::size_t taken = 0;
    const Status sent = port_->Send(bytes + written, size - written, taken);
    if (!sent.IsOk()) return Broken(sent);
    if (taken > size - written) return Broken(Status::Fail("the spooler claimed more bytes than it was given"));
    if (taken == 0 && ++idle_sends == kMaxIdleSends) return Broken(Status::Fail("the printer stopped taking data"));
    if (taken > 0) idle_sends = 0;
    written += taken;
  }
  return Status::Ok();
}

Status Printer::EndDoc() {
  // A document that lost data must not print.
  if (state_ == State::Broken) return Remove(failure_);
  if (auto open = DocumentOpen(); !open.IsOk()) return open;
  const Status ended = port_->Finish();
  if (!ended.IsOk() && !ended.IsTimedOut()) return Remove(ended);
  state_ = State::NoDocument;
  return Noted(ended);
}

Status Printer::CancelDoc() {
  if (state_ != State::Broken) {
    if (auto open = DocumentOpen(); !open.IsOk()) return open;
  }
  state_ = State::NoDocument;
  failure_ = {};
  return Noted(port_->Discard());
}

Status Printer::Close() {
  if (state_ == State::Closed) return Status::Ok();
  // A document left open is removed, never half printed.
  Status result = state_ == State::NoDocument ? Status::Ok() : CancelDoc();
  state_ = State::Closed;
  result.Update(port_->Close());
  return result;
}

Status Printer::DocumentOpen() const {
  switch (state_) {
    case State::Open:
      return Status::Ok();
    case State::Broken:
      return failure_;
    case State::Closed:
      return Status::Fail(kClosed);
    case State::NoDocument:
      break;
  }
  return unanswered_.IsOk() ? Status::Fail(kNoDocument) : unanswered_;
}

Status Printer::Broken(Status failure) {
  if (failure.IsTimedOut()) {
    state_ = State::NoDocument;
    return Noted(failure);
  }
  state_ = State::Broken;
  failure_ = failure;
  return failure;
}

Status Printer::Remove(Status failure) {
  state_ = State::NoDocument;
  failure_ = {};
  const Status removed = Noted(port_->Discard());
  return removed.IsOk() ? failure : WithFailedRemoval(failure, removed);
}

Status Printer::Noted(const Status& result) {
  if (result.IsTimedOut()) unanswered_ = result;
  return result;
}

Status WithFailedRemoval(const Status& failure, const Status& removal) {
  std::string reason = failure.Reason() + "; the document could not be removed (" + removal.Reason() + ")";
  return removal.IsTimedOut() ? Status::TimedOut(std::move(reason)) : Status::Fail(std::move(reason));
}

FollowUp Judge(const DocumentStatus& status) {
  FollowUp follow{Fate::Waiting, {}, status};
  const auto first_of = [](const std::string& a, const std::string& b) { return a.empty() ? b : a; };
  if (!status.asked.IsOk()) return follow;
  switch (status.state) {
    case DocumentState::Completed:
      follow.fate = status.undelivered ? Fate::Failed : Fate::Printed;
      if (status.undelivered) follow.reason = first_of(status.printer_message, "the printer did not take the document");
      break;
    case DocumentState::Gone:
      follow.fate = status.gone_may_have_printed ? Fate::Printed : Fate::Failed;
      if (!status.gone_may_have_printed) follow.reason = kRemovedReason;
      break;
    case DocumentState::Cancelled:
    case DocumentState::Aborted:
      follow.fate = Fate::Failed;
      follow.reason = first_of(status.printer_message, first_of(status.reasons, status.state == DocumentState::Aborted
                                                                                 ? "aborted by the spooler"
                                                                                 : "cancelled at the spooler"));
      break;
    case DocumentState::Pending:
    case DocumentState::Held:
    case DocumentState::Processing:
      if (status.held_until_released) {
        follow.fate = Fate::Stuck;
        follow.reason = kHeldReason;
      } else if (status.printer_stopped) {
        follow.fate = Fate::Stuck;
        follow.reason = first_of(status.stopped_reason, first_of(status.printer_message, "the printer has stopped"));
      }
      break;
  }
  return follow;
}

}  // namespace platform

#include "platform/spooler/cups/spooler_cups_document.h"

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "platform/spooler/cups/spooler_cups_connection.h"

namespace platform::cups {
namespace {

// The values of a text or keyword attribute, comma separated; "none" says
// nothing.
std::string TextOf(ipp_t* response, const char* name) {
  std::string text;
  ipp_attribute_t* attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
  for (int i = 0; i < ippGetCount(attribute); ++i) {
    const char* value = ippGetString(attribute, i, nullptr);
    if (value == nullptr || *value == '\0' || std::strcmp(value, "none") == 0) continue;
    if (!text.empty()) text += ", ";
    text += value;
  }
  return text;
}

// Asks one request's attributes.
Answer Ask(http_t* http, ipp_t* request, const std::vector<const char*>& attributes) {
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                static_cast<int>(attributes.size()), nullptr, attributes.data());
  return Exchange(http, request, "/");
}

DocumentState StateOf(int ipp_job_state) {
  switch (ipp_job_state) {
    case IPP_JSTATE_HELD:
      return DocumentState::kHeld;
    case IPP_JSTATE_PROCESSING:
    case IPP_JSTATE_STOPPED:  // stopped with its printer
      return DocumentState::kProcessing;
    case IPP_JSTATE_CANCELED:
      return DocumentState::kCancelled;
    case IPP_JSTATE_ABORTED:
      return DocumentState::kAborted;
    case IPP_JSTATE_COMPLETED:
      return DocumentState::kCompleted;
    default:
      return DocumentState::kPending;
  }
}

}  // namespace

DocumentStatus AskDocumentStatus(const std::string& queue, int job_id, StopCheck stop) {
  DocumentStatus status;
  Http http;
  if (auto connected = ConnectToScheduler(http); !connected.IsOk()) {
    status.asked = connected;
    return status;
  }
  Watch watch{std::move(stop)};
  watch.Attach(http.get());
  ipp_t* request = NewRequest(IPP_OP_GET_JOB_ATTRIBUTES, queue);
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job_id);
  const Answer asked = Ask(http.get(), request, {"job-state", "job-state-reasons", "job-printer-state-message", "job-hold-until"});
  if (asked.Failed()) {
    if (asked.status == IPP_STATUS_ERROR_NOT_FOUND) return status;  // gone
    status.asked = Status::Fail(watch.Stalled() ? watch.StallReason() : asked.Why("the job's state could not be asked"));
    return status;
  }
  ReadJobAttributes(asked.response.get(), status);
  if (status.state != DocumentState::kPending && status.state != DocumentState::kHeld &&
      status.state != DocumentState::kProcessing) {
    return status;
  }
  const Answer printer_asked = Ask(http.get(), NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, queue),
                                   {"printer-state", "printer-state-message", "printer-state-reasons"});
  if (printer_asked.Failed()) {
    status.asked = Status::Fail(watch.Stalled() ? watch.StallReason()
                                                : printer_asked.Why("the printer's state could not be asked"));
    return status;
  }
  ReadPrinterAttributes(printer_asked.response.get(), status);
  return status;
}

void ReadJobAttributes(ipp_t* job, DocumentStatus& status) {
  status.state = StateOf(ippGetInteger(ippFindAttribute(job, "job-state", IPP_TAG_ENUM), 0));
  status.reasons = TextOf(job, "job-state-reasons");
  status.printer_message = TextOf(job, "job-printer-state-message");
  status.held_until_released = status.state == DocumentState::kHeld && TextOf(job, "job-hold-until") == "indefinite";
}

void ReadPrinterAttributes(ipp_t* printer, DocumentStatus& status) {
  status.printer_stopped =
      ippGetInteger(ippFindAttribute(printer, "printer-state", IPP_TAG_ENUM), 0) == IPP_PSTATE_STOPPED;
  if (status.printer_stopped) {
    status.stopped_reason = TextOf(printer, "printer-state-message");
    if (status.stopped_reason.empty()) status.stopped_reason = TextOf(printer, "printer-state-reasons");
  }
}

}  // namespace platform::cups

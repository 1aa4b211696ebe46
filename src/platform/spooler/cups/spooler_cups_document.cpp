#include "platform/spooler/cups/spooler_cups_document.h"

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "platform/spooler/cups/spooler_cups_connection.h"
#include "platform/spooler/cups/spooler_cups_printer_job.h"

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

// One connection to the target for a few questions, each wait on it under
// one stall watch.
struct Asking {
  Asking(const Target& target, StopCheck stop) : watch(target.shown, std::move(stop)) {
    connected = Connect(http, target, watch.Stop());
    if (connected.IsOk()) Attach(http.get(), watch);
  }
  // Why `answer` failed: the stall (timed out), when the wait on it lasted
  // the limit.
  Status Failure(const Answer& answer, const char* what) const {
    return watch.Stalled() ? watch.Stall() : Status::Fail(answer.Why(what));
  }

  Http http;
  StallWatch watch;
  Status connected;
};

// Asks one request's attributes.
Answer Ask(http_t* http, const Target& target, ipp_t* request, const std::vector<const char*>& attributes) {
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                static_cast<int>(attributes.size()), nullptr, attributes.data());
  return Exchange(http, request, target.AskResource());
}

DocumentState StateOf(int ipp_job_state) {
  switch (ipp_job_state) {
    case IPP_JSTATE_HELD:
      return DocumentState::Held;
    case IPP_JSTATE_PROCESSING:
    case IPP_JSTATE_STOPPED:  // stopped with its printer
      return DocumentState::Processing;
    case IPP_JSTATE_CANCELED:
      return DocumentState::Cancelled;
    case IPP_JSTATE_ABORTED:
      return DocumentState::Aborted;
    case IPP_JSTATE_COMPLETED:
      return DocumentState::Completed;
    default:
      return DocumentState::Pending;
  }
}

}  // namespace

bool PrintsOverIpp(const std::string& device_uri) {
  const std::string scheme = device_uri.substr(0, device_uri.find(':'));
  return scheme == "ipp" || scheme == "ipps" || scheme == "http" || scheme == "https";
}

bool DeliveredNothing(const std::string& device_uri, int impressions_completed) {
  return impressions_completed == 0 && PrintsOverIpp(device_uri);
}

namespace {

// A finished job on a queue printing over IPP: CUPS's verdict checked with
// the printer's own, whose words are given for a document that did not
// print.
void JudgeByPrinter(ipp_t& job, ipp_t& printer, const StopCheck& stop, DocumentStatus& status) {
  const char* device_uri = ippGetString(ippFindAttribute(&printer, "device-uri", IPP_TAG_URI), 0, nullptr);
  if (device_uri == nullptr || !PrintsOverIpp(device_uri)) return;
  ipp_attribute_t* impressions = ippFindAttribute(&job, "job-impressions-completed", IPP_TAG_INTEGER);
  const bool completed = status.state == DocumentState::Completed;
  status.undelivered = completed && impressions != nullptr && DeliveredNothing(device_uri, ippGetInteger(impressions, 0));
  if (status.undelivered) return;
  const auto verdict = AskPrinterJob(device_uri, TextOf(&job, "job-name"), stop);
  if (!verdict.failed) return;
  status.undelivered = completed;
  status.printer_message = verdict.reason;
}

}  // namespace

DocumentStatus AskDocumentStatus(const Target& target, int job_id, StopCheck stop) {
  DocumentStatus status;
  Asking asking(target, std::move(stop));
  if (!asking.connected.IsOk()) {
    status.asked = asking.connected;
    return status;
  }
  http_t* http = asking.http.get();
  ipp_t* request = NewRequest(IPP_OP_GET_JOB_ATTRIBUTES, target);
  ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", job_id);
  const Answer asked = Ask(http, target, request,
                           {"job-state", "job-state-reasons", "job-printer-state-message", "job-hold-until",
                            "job-impressions-completed", "job-name"});
  if (asked.Failed()) {
    if (asked.status == IPP_STATUS_ERROR_NOT_FOUND) return status;  // gone
    status.asked = asking.Failure(asked, "the job's state could not be asked");
    return status;
  }
  ReadJobAttributes(asked.response.get(), status);
  const bool finished = status.state == DocumentState::Completed || status.state == DocumentState::Cancelled ||
                        status.state == DocumentState::Aborted;
  const Answer printer_asked = Ask(http, target, NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, target),
                                   {"printer-state", "printer-state-message", "printer-state-reasons", "device-uri"});
  if (printer_asked.Failed() && finished) return status;  // the queue is gone: nothing more to learn
  if (printer_asked.Failed()) {
    status.asked = asking.Failure(printer_asked, "the printer's state could not be asked");
    return status;
  }
  if (finished) {
    JudgeByPrinter(*asked.response, *printer_asked.response, asking.watch.Stop(), status);
    return status;
  }
  ReadPrinterAttributes(printer_asked.response.get(), status);
  return status;
}

PrinterState AskPrinterState(const Target& target, StopCheck stop) {
  PrinterState state;
  Asking asking(target, std::move(stop));
  if (!asking.connected.IsOk()) {
    state.asked = asking.connected;
    return state;
  }
  http_t* http = asking.http.get();
  const Answer asked = Ask(http, target, NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, target),
                           {"printer-state", "printer-state-message", "printer-state-reasons"});
  if (asked.Failed()) {
    state.asked = asking.Failure(asked, "the printer's state could not be asked");
    return state;
  }
  const int value = ippGetInteger(ippFindAttribute(asked.response.get(), "printer-state", IPP_TAG_ENUM), 0);
  state.state = value == IPP_PSTATE_STOPPED ? "stopped" : value == IPP_PSTATE_PROCESSING ? "printing" : "idle";
  state.message = TextOf(asked.response.get(), "printer-state-message");
  state.reasons = TextOf(asked.response.get(), "printer-state-reasons");
  if (state.reasons == "none") state.reasons.clear();
  return state;
}

void ReadJobAttributes(ipp_t* job, DocumentStatus& status) {
  status.state = StateOf(ippGetInteger(ippFindAttribute(job, "job-state", IPP_TAG_ENUM), 0));
  status.reasons = TextOf(job, "job-state-reasons");
  status.printer_message = TextOf(job, "job-printer-state-message");
  // Held with no time of release, and not only while its document comes:
  // held so from the start ("indefinite"), by an operator later (Hold-Job
  // leaves "no-hold"), or for want of what only a person can give.
  const std::string hold_until = TextOf(job, "job-hold-until");
  const bool incoming = (", " + status.reasons + ", ").find(", job-incoming, ") != std::string::npos;
  status.held_until_released = status.state == DocumentState::Held && !incoming &&
                               (hold_until.empty() || hold_until == "indefinite" || hold_until == "no-hold");
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

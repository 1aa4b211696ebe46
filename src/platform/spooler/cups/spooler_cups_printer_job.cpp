#include "platform/spooler/cups/spooler_cups_printer_job.h"

#include <cups/cups.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

#include "platform/spooler/cups/spooler_cups_connection.h"

namespace platform::cups {
namespace {

// Finding the printer (a DNS-SD look-up) and connecting to it.
constexpr int kConnectMs = 10000;

struct Job {
  int id = 0;
  std::string name, user, message;
  int state = 0;
};

// The jobs in a Get-Jobs response, one attribute group each, whatever
// the order of the attributes in it.
std::vector<Job> JobsIn(ipp_t* response) {
  std::vector<Job> jobs;
  bool in_job = false;
  for (ipp_attribute_t* a = ippFirstAttribute(response); a != nullptr; a = ippNextAttribute(response)) {
    const char* name = ippGetName(a);
    if (ippGetGroupTag(a) != IPP_TAG_JOB || name == nullptr) {
      in_job = false;
      continue;
    }
    if (!in_job) jobs.emplace_back();
    in_job = true;
    Job& job = jobs.back();
    const char* text = ippGetString(a, 0, nullptr);
    if (std::strcmp(name, "job-id") == 0) job.id = ippGetInteger(a, 0);
    if (std::strcmp(name, "job-state") == 0) job.state = ippGetInteger(a, 0);
    if (text == nullptr) continue;
    while (*text == ' ') ++text;
    if (std::strcmp(name, "job-name") == 0) job.name = text;
    if (std::strcmp(name, "job-originating-user-name") == 0) job.user = text;
    if (std::strcmp(name, "job-state-message") == 0) job.message = text;
  }
  return jobs;
}

}  // namespace

PrinterJobVerdict AskPrinterJob(const std::string& device_uri, const std::string& title, const StopCheck& stop) {
  cups_option_t* options = nullptr;
  const int num_options = cupsAddOption("device-uri", device_uri.c_str(), 0, &options);
  cups_dest_t dest{const_cast<char*>("printer"), nullptr, 0, num_options, options};
  char resource[1024] = "";
  int cancel = 0;
  Http http(cupsConnectDest(&dest, CUPS_DEST_FLAGS_DEVICE, kConnectMs, &cancel, resource, sizeof resource, nullptr,
                            nullptr));
  cupsFreeOptions(num_options, options);
  if (!http) return {};
  StallWatch watch(device_uri, stop);
  Attach(http.get(), watch);
  char uri[HTTP_MAX_URI];
  httpAssembleURI(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, httpGetHostname(http.get(), nullptr, 0),
                  httpAddrPort(httpGetAddress(http.get())), resource);
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "completed");
  static const char* const kAttributes[] = {"job-id", "job-name", "job-originating-user-name", "job-state",
                                            "job-state-message"};
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                static_cast<int>(std::size(kAttributes)), nullptr, kAttributes);
  std::unique_ptr<ipp_t, decltype(&ippDelete)> response(cupsDoRequest(http.get(), request, resource), &ippDelete);
  if (IsIppError(cupsLastError())) return {};
  const Job* latest = nullptr;
  const auto jobs = JobsIn(response.get());
  for (const Job& job : jobs) {
    if (job.name == title && job.user == cupsUser() && (latest == nullptr || job.id > latest->id)) latest = &job;
  }
  if (latest == nullptr || latest->state == IPP_JSTATE_COMPLETED) return {};
  const std::string what = latest->state == IPP_JSTATE_ABORTED ? "aborted by the printer" : "cancelled at the printer";
  return {true, latest->message.empty() ? what : what + ": " + latest->message};
}

}  // namespace platform::cups

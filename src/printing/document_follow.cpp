#include "printing/document_follow.h"

#include "platform/spooler/printer.h"

namespace printing {

std::vector<NotSent> FollowOnce(platform::Spooler& spooler, std::vector<SentDocument>& followed,
                                const platform::StopCheck& stop) {
  std::vector<NotSent> not_printed;
  std::vector<SentDocument> waiting;
  for (auto& document : followed) {
    if (stop && stop()) {
      waiting.push_back(std::move(document));
      continue;
    }
    const auto follow = platform::FollowDocument(spooler, document.printer_name, document.job_id, stop);
    switch (follow.fate) {
      case platform::Fate::kWaiting:
        waiting.push_back(std::move(document));
        break;
      case platform::Fate::kPrinted:
        break;
      // A stuck document is told once and then left alone: the user now
      // knows to look at the printer, and it may yet print once it is
      // started again.
      case platform::Fate::kFailed:
      case platform::Fate::kStuck:
        not_printed.push_back({document.path, follow.reason});
        break;
    }
  }
  followed = std::move(waiting);
  return not_printed;
}

std::string NotPrintedReport(const std::vector<NotSent>& not_printed) {
  // The window's words for one file and for several alike.
  constexpr char kHeading[] = "These files did not print:";
  return FilesReport(kHeading, kHeading, not_printed);
}

}  // namespace printing

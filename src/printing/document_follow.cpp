#include "printing/document_follow.h"

#include "platform/spooler/printer.h"

namespace printing {

void FollowNews::Add(const FollowNews& more) {
  not_printed.insert(not_printed.end(), more.not_printed.begin(), more.not_printed.end());
  waiting.insert(waiting.end(), more.waiting.begin(), more.waiting.end());
}

FollowNews FollowOnce(platform::Spooler& spooler, std::vector<FollowedDocument>& followed,
                      const platform::StopCheck& stop) {
  FollowNews news;
  std::vector<FollowedDocument> going_on;
  for (auto& followed_document : followed) {
    const SentDocument& document = followed_document.document;
    if (stop && stop()) {
      going_on.push_back(std::move(followed_document));
      continue;
    }
    const auto follow = platform::FollowDocument(spooler, document.printer_name, document.job_id, stop);
    switch (follow.fate) {
      case platform::Fate::Printed:
        continue;
      case platform::Fate::Failed:
        news.not_printed.push_back({document.path, follow.reason});
        continue;
      // A stopped printer may be started again: the wait is told once, and
      // the document followed on.
      case platform::Fate::Stuck:
        if (!followed_document.told_waiting) news.waiting.push_back({document.path, follow.reason});
        followed_document.told_waiting = true;
        break;
      case platform::Fate::Waiting:
        break;
    }
    going_on.push_back(std::move(followed_document));
  }
  followed = std::move(going_on);
  return news;
}

std::string FollowReport(const FollowNews& news) {
  // The window's words, for one file and for several alike.
  constexpr char kNotPrinted[] = "These files did not print:";
  constexpr char kWaiting[] = "These files are waiting:";
  std::string text = FilesReport(kNotPrinted, kNotPrinted, news.not_printed);
  const std::string waiting = FilesReport(kWaiting, kWaiting, news.waiting);
  if (!text.empty() && !waiting.empty()) text += "\n\n";
  return text + waiting;
}

}  // namespace printing

#include "watch/watch_command.h"

#include "send/console_view.h"
#include "watch/history.h"
#include "watch/service.h"
#include "watch/watcher.h"

namespace watch {

int RunWatchAction(const sender::SendOptions& options, platform::Spooler& spooler, sender::Console console) {
  const auto folder = FromUtf8(options.folder);
  if (options.action == sender::SendAction::History) {
    const auto text = HistoryText(FolderLayout(folder).history);
    if (!text.IsOk()) {
      console.err << sender::kProgramName << ": " << sender::TerminalText(text.Outcome().Reason()) << '\n';
      return sender::kExitNotSent;
    }
    // Names shown as a terminal may be given them, line ends kept.
    const auto& lines = text.Value();
    for (std::size_t start = 0, end; start < lines.size(); start = end + 1) {
      end = lines.find('\n', start);
      console.out << sender::TerminalText(std::string_view(lines).substr(start, end - start)) << '\n';
    }
    console.out << std::flush;
    return sender::kExitSent;
  }
  WatchSettings settings{folder,
                         options.printer,
                         options.copies,
                         std::chrono::seconds(options.settle_seconds),
                         options.delete_printed,
                         options.once,
                         options.quiet};
  return RunAsService([&] { return RunWatcher(settings, spooler, console); });
}

}  // namespace watch

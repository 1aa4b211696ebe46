#include "send/send_command.h"

#include "printing/print_job.h"
#include "send/console_view.h"
#include "send/send_options.h"

namespace sender {
namespace {

int SendFiles(const SendOptions& options, platform::Spooler& spooler, Console console) {
  ConsoleJobView view(options.files, console.out, console.err, console.terminal, console.stop);
  // The printer is named, so it counts as chosen; whether it exists is the
  // job's first check at the spooler.
  const auto result = printing::RunPrintJob(view, spooler, printing::PrintRequest{options.files, 0, options.printer});
  switch (result.end) {
    case printing::JobEnd::Refused:
      return kExitNotSent;
    case printing::JobEnd::Stopped:
      // The job keeps quiet when its window closes; here the user who
      // interrupted still wants to know what did not go.
      if (const auto report = printing::NotSentReport(result.not_sent, result.close_failure); !report.empty()) {
        view.ShowMessage(report);
      }
      return kExitInterrupted;
    case printing::JobEnd::Finished:
      break;
  }
  return result.not_sent.empty() && result.close_failure.empty() ? kExitSent : kExitNotSent;
}

}  // namespace

int RunSend(const std::vector<std::string>& args, platform::Spooler& spooler, Console console) {
  const auto parsed = ParseSendOptions(args);
  if (!parsed.error.empty()) {
    console.err << kProgramName << ": " << parsed.error << "\nTry '" << kProgramName << " --help' for more information.\n"
                << std::flush;
    return kExitUsage;
  }
  switch (parsed.options.action) {
    case SendAction::Help:
      console.out << HelpText() << std::flush;
      return kExitSent;
    case SendAction::Version:
      console.out << VersionText() << std::flush;
      return kExitSent;
    case SendAction::List: {
      const auto listing = spooler.PrinterNames();
      if (!listing.failure.empty()) {
        console.err << kProgramName << ": " << listing.failure << '\n' << std::flush;
        return kExitNotSent;
      }
      for (const auto& name : listing.names) console.out << name << '\n';
      console.out << std::flush;
      return kExitSent;
    }
    case SendAction::Send:
      break;
  }
  return SendFiles(parsed.options, spooler, console);
}

}  // namespace sender

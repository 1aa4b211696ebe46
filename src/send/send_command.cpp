#include "send/send_command.h"

#include "platform/spooler/address/printer_address.h"
#include "printing/print_job.h"
#include "send/console_view.h"
#include "send/input_spool.h"
#include "send/print_wait.h"
#include "send/send_options.h"

namespace sender {
namespace {

// The name of standard input's document.
constexpr char kStandardInputTitle[] = "stdin";

// --list -l: "NAME  stopped: Out of paper (media-empty-error)".
std::string PrinterStateLine(const std::string& name, const platform::PrinterState& state) {
  if (!state.asked.IsOk()) return name + "  unknown: " + state.asked.Reason();
  std::string line = name + "  " + state.state;
  if (!state.message.empty()) line += ": " + state.message;
  if (!state.reasons.empty()) line += " (" + state.reasons + ")";
  return line;
}

int Fail(Console console, int status, const std::string& why) {
  console.err << kProgramName << ": " << why << '\n' << std::flush;
  return status;
}

// `printer_origin`: the environment variable that named the printer, if one did.
int SendFiles(const SendOptions& options, const std::string& printer_origin, platform::Spooler& spooler,
              Console console) {
  printing::PrintRequest request{options.files, 0, options.printer};
  std::vector<std::string> shown = options.files;
  request.document_names.resize(options.files.size());
  InputSpool input;
  for (std::size_t i = 0; i < options.files.size(); ++i) {
    if (options.files[i] != kStandardInput) continue;
    if (const auto kept = input.Fill(console.input, console.stop); !kept.IsOk()) {
      return Fail(console, console.stop ? kExitInterrupted : kExitNotSent, kept.Reason() + "; nothing was sent");
    }
    request.file_paths[i] = input.Path();
    request.document_names[i] = kStandardInputTitle;
    shown[i] = kStandardInputShown;
  }
  if (!options.title.empty()) request.document_names[0] = options.title;
  request.copies = options.copies;

  ConsoleJobView view(shown, request.file_paths, options.printer, console.out, console.err,
                      console.terminal && !options.quiet, !options.quiet, console.stop);
  view.SetPrinterOrigin(printer_origin);
  // The printer counts as chosen; whether it exists is the job's first
  // check at the spooler.
  const auto result = printing::RunPrintJob(view, spooler, request);
  switch (result.end) {
    case printing::JobEnd::Refused:
      return kExitNotSent;
    case printing::JobEnd::Stopped:
      // The job keeps quiet when its window closes; here the user who
      // interrupted still wants to know what did not go.
      view.ReportNotSent(result.not_sent, result.closed);
      return kExitInterrupted;
    case printing::JobEnd::Finished:
      break;
  }
  const int sent = result.not_sent.empty() && result.closed.IsOk() ? kExitSent : kExitNotSent;
  if (!options.wait || result.sent.empty()) return sent;
  if (const auto why = spooler.Unfollowable(options.printer); !why.empty()) {
    view.ShowMessage(std::string(kProgramName) + ": --wait: " + why);
    return sent;
  }
  const auto verdict = JudgeWait(result.sent, FollowSent(spooler, result.sent, options.wait_limit, console.stop));
  view.ReportFiles(verdict.unprinted);
  if (console.stop) return kExitInterrupted;
  return sent != kExitSent ? sent : verdict.status;
}

}  // namespace

int RunSend(const std::vector<std::string>& args, platform::Spooler& spooler, Console console,
            const WatchAction& watch) {
  auto parsed = ParseSendOptions(args);
  if (!parsed.usable.IsOk()) {
    return Fail(console, kExitUsage,
                parsed.usable.Reason() + "\nTry '" + kProgramName + " --help' for more information.");
  }
  auto& options = parsed.options;
  const platform::StopCheck stop = [&stop = console.stop] { return stop.load(); };
  if (!options.server.empty() && options.action != SendAction::Help && options.action != SendAction::Version) {
    if (const auto used = spooler.UsePrintServer(options.server); !used.IsOk()) {
      return Fail(console, kExitUsage, used.Reason());
    }
  }
  switch (options.action) {
    case SendAction::Help:
      console.out << HelpText() << std::flush;
      return kExitSent;
    case SendAction::Version:
      console.out << VersionText() << std::flush;
      return kExitSent;
    case SendAction::List: {
      const auto listing = spooler.PrinterNames(stop);
      if (console.stop) return kExitInterrupted;
      if (!listing.listed.IsOk()) return Fail(console, kExitNotSent, listing.listed.Reason());
      for (const auto& name : listing.names) {
        console.out << (options.long_list ? PrinterStateLine(name, spooler.StateOfPrinter(name, stop)) : name) << '\n';
      }
      console.out << std::flush;
      return kExitSent;
    }
    case SendAction::History:
    case SendAction::Watch:
      if (!watch) return Fail(console, kExitUsage, "--watch and --history are not built into this program");
      if (options.action == SendAction::History) return watch(options, spooler, console);
      break;
    case SendAction::Send:
      break;
  }
  std::string printer_origin;  // the variable that named the printer
  if (options.printer.empty()) {
    const auto from_environment = PrinterFromEnvironment();
    options.printer = from_environment.name;
    if (!options.printer.empty()) printer_origin = "$" + from_environment.variable;
  }
  // A printer address that does not read as one is a wrong argument too.
  if (platform::IsPrinterAddress(options.printer)) {
    if (const auto address = platform::ParsePrinterAddress(options.printer); !address.IsOk()) {
      const std::string origin = printer_origin.empty() ? "" : " (from " + printer_origin + ")";
      return Fail(console, kExitUsage, "printer \"" + options.printer + "\"" + origin + ": " + address.Outcome().Reason());
    }
  }
  if (options.printer.empty()) {
    const auto found = spooler.DefaultPrinterName(stop);
    if (console.stop) return kExitInterrupted;
    if (!found.asked.IsOk()) return Fail(console, kExitNotSent, "no printer given: " + found.asked.Reason());
    options.printer = found.name;
  }
  if (options.printer.empty()) {
    return Fail(console, kExitUsage,
                "no printer given, and there is no default printer: add -d NAME (see --list), or set PRINTER");
  }
  if (options.action == SendAction::Watch) return watch(options, spooler, console);
  return SendFiles(options, printer_origin, spooler, console);
}

}  // namespace sender

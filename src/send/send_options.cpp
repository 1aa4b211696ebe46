#include "send/send_options.h"

#include <cstdlib>
#include <optional>

#include "platform/environment.h"
#include "platform/spooler/address/printer_address.h"
#include "platform/version.h"

namespace sender {
namespace {

bool IsOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

// An option that takes a value: its long name, its one-letter names, and
// what its value is called in messages.
struct ValueOption {
  const char* name;
  const char* letters;
  const char* value;
};
constexpr ValueOption kPrinterOption{"--printer", "pdP", "a printer name"};
constexpr ValueOption kTitleOption{"--title", "t", "a title"};
constexpr ValueOption kServerOption{"--server", "h", "a print server"};
constexpr ValueOption kCopiesOption{"--copies", "n", "a number of copies"};
constexpr ValueOption kWatchOption{"--watch", "", "a folder"};
constexpr ValueOption kHistoryOption{"--history", "", "a folder"};
constexpr ValueOption kSettleOption{"--settle", "", "a number of seconds"};
constexpr int kMostCopies = 9999;

// Whether `arg` is `option` alone (its value follows), or with its value
// attached: "--printer=NAME", "-dNAME".
enum class Form { None, Alone, Attached };
Form FormOf(const std::string& arg, const ValueOption& option, std::string& value) {
  const std::string name = option.name;
  if (arg == name) return Form::Alone;
  if (arg.rfind(name + "=", 0) == 0) {
    value = arg.substr(name.size() + 1);
    return Form::Attached;
  }
  const bool letter = arg.size() >= 2 && arg[0] == '-' && arg[1] != '-' &&
                      std::string(option.letters).find(arg[1]) != std::string::npos;
  if (!letter) return Form::None;
  if (arg.size() == 2) return Form::Alone;
  value = arg.substr(2);
  return Form::Attached;
}

// A plain number, as --wait=SECONDS and -n COPIES take it: up to nine digits (as seconds, some
// 31 years), nothing else.
std::optional<int> PlainNumber(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int seconds = 0;
  for (const char digit : text) {
    if (digit < '0' || digit > '9') return std::nullopt;
    seconds = seconds * 10 + (digit - '0');
  }
  return seconds;
}

// -h's HOST[:PORT], as printer addresses take it: a port of 1-65535 (libcups
// would take any number and use it modulo 65536).
platform::Status CheckPrintServer(const std::string& server) {
  if (server.empty()) return platform::Status::Fail("the print server is empty");
  std::string host;
  int port = 0;
  const auto read = platform::ParseHostPort(server, host, port);
  if (read.IsOk()) return read;
  return platform::Status::Fail("'" + server + "' is not a print server (give HOST or HOST:PORT): " + read.Reason());
}

// An action that takes no other options.
ParsedOptions Alone(SendAction action) {
  ParsedOptions parsed;
  parsed.options.action = action;
  return parsed;
}

}  // namespace

ParsedOptions ParseSendOptions(const std::vector<std::string>& args) {
  ParsedOptions parsed;
  auto& options = parsed.options;
  int lists = 0;
  bool watch_given = false, history_given = false, settle_given = false;
  std::string settle;
  bool printer_given = false, title_given = false, server_given = false, copies_given = false,
       options_ended = false;
  std::string copies;
  int standard_inputs = 0;
  auto fail = [&](std::string why) { parsed.usable.Update(platform::Status::Fail(std::move(why))); };
  // Takes the value of `option`, found in the form `form` at args[i].
  auto take = [&](const ValueOption& option, Form form, std::size_t& i, std::string value, bool& given,
                  std::string& into) {
    if (form == Form::Alone) {
      if (i + 1 >= args.size()) return fail("option '" + args[i] + "' needs " + option.value);
      value = args[++i];
    }
    if (given) fail(std::string("the ") + (option.name + 2) + " is given more than once");
    given = true;
    into = std::move(value);
  };

  for (std::size_t i = 0; i < args.size(); ++i) {
    const auto& arg = args[i];
    std::string value;
    if (options_ended || !IsOption(arg)) {
      if (arg == kStandardInput) ++standard_inputs;
      options.files.push_back(arg);
    } else if (arg == "--") {
      options_ended = true;
    } else if (arg == "--help") {
      return Alone(SendAction::Help);
    } else if (arg == "--version") {
      return Alone(SendAction::Version);
    } else if (arg == "--list" || arg == "-l") {
      ++lists;
    } else if (arg == "--delete" || arg == "--once") {
      (arg == "--once" ? options.once : options.delete_printed) = true;
    } else if (arg == "--quiet" || arg == "-q" || arg == "-s") {
      options.quiet = true;
    } else if (arg == "--wait" || arg.rfind("--wait=", 0) == 0) {
      if (options.wait) fail("--wait is given more than once");
      options.wait = true;
      if (arg.size() > 6) {
        options.wait_limit = PlainNumber(arg.substr(7));
        if (!options.wait_limit) fail("--wait takes a whole number of seconds, not '" + arg.substr(7) + "'");
      }
    } else if (const auto form = FormOf(arg, kPrinterOption, value); form != Form::None) {
      take(kPrinterOption, form, i, std::move(value), printer_given, options.printer);
    } else if (const auto title_form = FormOf(arg, kTitleOption, value); title_form != Form::None) {
      take(kTitleOption, title_form, i, std::move(value), title_given, options.title);
    } else if (const auto server_form = FormOf(arg, kServerOption, value); server_form != Form::None) {
      take(kServerOption, server_form, i, std::move(value), server_given, options.server);
    } else if (const auto copies_form = FormOf(arg, kCopiesOption, value); copies_form != Form::None) {
      take(kCopiesOption, copies_form, i, std::move(value), copies_given, copies);
    } else if (const auto watch_form = FormOf(arg, kWatchOption, value); watch_form != Form::None) {
      take(kWatchOption, watch_form, i, std::move(value), watch_given, options.folder);
    } else if (const auto history_form = FormOf(arg, kHistoryOption, value); history_form != Form::None) {
      take(kHistoryOption, history_form, i, std::move(value), history_given, options.folder);
    } else if (const auto settle_form = FormOf(arg, kSettleOption, value); settle_form != Form::None) {
      take(kSettleOption, settle_form, i, std::move(value), settle_given, settle);
    } else {
      fail("unknown option '" + arg + "'");
    }
  }

  if (copies_given) {
    const auto number = PlainNumber(copies);
    if (!number || *number < 1 || *number > kMostCopies) {
      fail("-n takes a number of copies from 1 to " + std::to_string(kMostCopies) + ", not '" + copies + "'");
    } else {
      options.copies = *number;
    }
  }
  if (server_given) {
    if (const auto server = CheckPrintServer(options.server); !server.IsOk()) fail(server.Reason());
  }
  const bool list = lists > 0;
  options.long_list = lists > 1;
  if (settle_given) {
    const auto seconds = PlainNumber(settle);
    if (!seconds || *seconds > 3600) fail("--settle takes a whole number of seconds up to 3600, not '" + settle + "'");
    if (seconds) options.settle_seconds = *seconds;
  }
  const bool watch_only = settle_given || options.once || options.delete_printed;
  if (parsed.usable.IsOk()) {
    if (watch_given + history_given + list > 1) {
      fail("--watch, --history and --list go one at a time");
    } else if (watch_only && !watch_given) {
      fail("--settle, --delete and --once go with --watch FOLDER");
    } else if ((watch_given || history_given) && options.folder.empty()) {
      fail("the folder is empty");
    } else if ((watch_given || history_given) && (title_given || options.wait || !options.files.empty())) {
      fail("--watch and --history take no title, files or --wait");
    } else if (history_given && (printer_given || copies_given)) {
      fail("--history takes no printer or copies");
    } else if (watch_given || history_given) {
      options.action = watch_given ? SendAction::Watch : SendAction::History;
    } else if (list && (printer_given || title_given || options.wait || !options.files.empty())) {
      fail("--list takes no printer, title, files or --wait");
    } else if (list) {
      options.action = SendAction::List;
    } else if (printer_given && options.printer.empty()) {
      fail("the printer name is empty");
    } else if (options.files.empty()) {
      fail(printer_given ? "no files given to send to '" + options.printer + "'"
                         : "nothing to do: give the files to send, or --list");
    } else if (standard_inputs > 1) {
      fail("standard input ('-') can be given only once");
    } else if (title_given && options.files.size() > 1) {
      fail("--title names one document: give it with one file only");
    } else if (title_given && options.title.empty()) {
      fail("the title is empty");
    } else {
      options.action = SendAction::Send;
    }
  }
  return parsed;
}

EnvironmentPrinter PrinterFromEnvironment() {
  if (auto destination = platform::EnvironmentText("LPDEST"); !destination.empty()) return {destination, "LPDEST"};
  auto printer = platform::EnvironmentText("PRINTER");
  if (printer.empty() || printer == "lp") return {};
  return {printer, "PRINTER"};
}

std::string HelpText() {
  return std::string("Usage: ") + kProgramName +
         " [-h SERVER[:PORT]] [-d PRINTER] [-n COPIES] [-t TITLE] [-q] [--wait[=SECONDS]] FILE...\n" + "       " + kProgramName +
         " [-h SERVER[:PORT]] --list [-l]\n" + "       " + kProgramName +
         " [-h SERVER[:PORT]] [-d PRINTER] [-n COPIES] [-q] --watch FOLDER\n"
         "                    [--settle SECONDS] [--delete] [--once]\n" + "       " + kProgramName +
         " --history FOLDER\n"
         "Sends each FILE unchanged to the printer through the system's print\n"
         "spooler, as one document named after the file; FILE '-' is standard\n"
         "input, as a document named \"stdin\".\n"
         "\n"
         "  -d, -P, -p, --printer NAME\n"
         "                       the printer to send to, as --list shows it, or its\n"
         "                       address (below); without it: $LPDEST, else\n"
         "                       $PRINTER, else the default printer\n"
         "  -t, --title NAME     the document's name (with one FILE only)\n"
         "  -h, --server SERVER[:PORT]\n"
         "                       the print server to use, as lp takes it (CUPS)\n"
         "  -n, --copies COPIES  print each file COPIES times (1-9999): on CUPS as\n"
         "                       the job's copies, elsewhere by sending it again\n"
         "  -q, -s, --quiet      show no progress and no request ids\n"
         "      --wait[=SECONDS] then wait until every file has printed or failed,\n"
         "                       at most SECONDS; without them, as long as the\n"
         "                       printer goes on, but not while it is stopped\n"
         "  -l, --list           print the installed printers, one a line; given\n"
         "                       twice (--list -l), each with its state and reasons\n"
         "      --watch FOLDER   print every file in FOLDER or arriving there, once\n"
         "                       its writer is done, oldest first; each moves to\n"
         "                       FOLDER/printed or FOLDER/failed (the reason beside\n"
         "                       it) by its verdict. Names beginning with '.' or\n"
         "                       ending in ~ .tmp .part .crdownload are left alone:\n"
         "                       write a file under such a name, then rename it\n"
         "      --settle SECONDS a file no event tells of is taken once unchanged\n"
         "                       this long (default 2)\n"
         "      --delete         remove printed files instead of keeping them\n"
         "      --once           print what is in FOLDER, wait for the verdicts, end\n"
         "      --history FOLDER show what became of each file FOLDER printed\n"
         "      --help           show this help and exit\n"
         "      --version        show the version and the licence and exit\n"
         "  --                   what follows are files, even if they begin with '-'\n"
         "\n"
         "Each file sent is told on standard output as lp tells it:\n"
         "\"request id is PRINTER-ID (FILE)\". On a terminal each file's percentage\n"
         "is shown on standard error as it goes. A file that cannot be sent whole\n"
         "is taken back from the spooler and the others still go; the files not\n"
         "sent are listed on standard error at the end, and with --wait those that\n"
         "did not print or have not printed yet, each on one line with the reason:\n"
         "\"torvane-send: FILE: REASON\".\n"
         "A document gone from the queue was removed on CUPS, which keeps ended\n"
         "jobs: it did not print; on Windows, which forgets printed jobs, it counts\n"
         "as printed.\n"
         "Interrupting (Ctrl+C, SIGHUP or SIGTERM) stops after the piece in hand,\n"
         "takes back the file in progress and lists every file not sent.\n"
         "\n"
         "A printer may be named by its address, with no queue installed:\n"
         "  socket://HOST[:PORT]  each document (and each copy) over a TCP connection\n"
         "                       of its own (port 9100 by default); it counts as sent\n"
         "                       once the printer has read it all and closed the\n"
         "                       connection. There is no job: the request id's ID is a\n"
         "                       running number. --wait can learn nothing more.\n"
         "  ipp://HOST[:PORT]/PATH, ipps://HOST[:PORT]/PATH\n"
         "                       the printer's own IPP service (port 631 by default),\n"
         "                       one job a file there; --wait follows it there.\n"
         "                       Not on Windows.\n"
         "HOST is a name, an IPv4 address, or an IPv6 address in brackets.\n"
         "\n"
         "Exit status: 0 when every file was sent (with --wait: printed); 1 when\n"
         "some file was not sent or (with --wait) did not print, the printer could\n"
         "not be used, or the print server could not be asked for the printers or\n"
         "the default printer; 2 when the arguments are wrong or no printer is named\n"
         "and none is the default; 3 when --wait ended (time ran out, the printer is\n"
         "stopped, a job is held until someone releases it, or the print server\n"
         "stopped answering) before every file printed and none failed; 130 when\n"
         "interrupted. A print server (or a printer at an address) that answers\n"
         "nothing for 60 seconds (TORVANE_STALL_SECONDS) counts as stopped.\n";
}

std::string VersionText() {
  return std::string(kProgramName) + " " + platform::kVersionText + "\n" + platform::kLicenseLine + "\n";
}

}  // namespace sender

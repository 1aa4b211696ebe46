#include "send/send_options.h"

namespace sender {
namespace {

bool IsOption(const std::string& arg) { return arg.size() > 1 && arg[0] == '-'; }

}  // namespace

ParsedOptions ParseSendOptions(const std::vector<std::string>& args) {
  ParsedOptions parsed;
  auto& options = parsed.options;
  bool list = false, printer_given = false, options_ended = false;
  std::string error;
  auto fail = [&](std::string why) {
    if (error.empty()) error = std::move(why);
  };
  auto take_printer = [&](const std::string& name) {
    if (printer_given) fail("the printer is given more than once");
    printer_given = true;
    options.printer = name;
  };

  for (std::size_t i = 0; i < args.size(); ++i) {
    const auto& arg = args[i];
    if (options_ended || !IsOption(arg)) {
      options.files.push_back(arg);
    } else if (arg == "--") {
      options_ended = true;
    } else if (arg == "--help" || arg == "-h") {
      return {{SendAction::Help, {}, {}}, {}};
    } else if (arg == "--version") {
      return {{SendAction::Version, {}, {}}, {}};
    } else if (arg == "--list" || arg == "-l") {
      list = true;
    } else if (arg == "--printer" || arg == "-p") {
      if (i + 1 < args.size()) {
        take_printer(args[++i]);
      } else {
        fail("option '" + arg + "' needs a printer name");
      }
    } else if (arg.rfind("--printer=", 0) == 0) {
      take_printer(arg.substr(arg.find('=') + 1));
    } else {
      fail("unknown option '" + arg + "'");
    }
  }

  if (error.empty()) {
    if (list && (printer_given || !options.files.empty())) {
      fail("--list takes no printer and no files");
    } else if (list) {
      options.action = SendAction::List;
    } else if (!printer_given && options.files.empty()) {
      fail("nothing to do: give --printer NAME and files, or --list");
    } else if (!printer_given) {
      fail("no printer given: add --printer NAME (see --list)");
    } else if (options.printer.empty()) {
      fail("the printer name is empty");
    } else if (options.files.empty()) {
      fail("no files given to send to '" + options.printer + "'");
    } else {
      options.action = SendAction::Send;
    }
  }
  parsed.error = error;
  return parsed;
}

std::string HelpText() {
  return std::string("Usage: ") + kProgramName + " --printer NAME FILE...\n" +
         "       " + kProgramName + " --list\n"
         "Sends each FILE unchanged to the printer NAME through the system's print\n"
         "spooler, as one document named after the file, and shows how much of each\n"
         "file has gone.\n"
         "\n"
         "  -p, --printer NAME   the printer to send to, as --list shows it\n"
         "  -l, --list           print the installed printers, one a line\n"
         "  -h, --help           show this help and exit\n"
         "      --version        show the version and exit\n"
         "  --                   what follows are files, even if they begin with '-'\n"
         "\n"
         "A file that cannot be sent whole is taken back from the spooler and the\n"
         "others still go; the files not sent are listed on standard error at the end.\n"
         "Interrupting (Ctrl+C, SIGHUP or SIGTERM) stops after the piece in hand,\n"
         "takes back the file in progress and lists every file not sent.\n"
         "\n"
         "Exit status: 0 when every file was sent; 1 when some file was not sent, the\n"
         "printer could not be used or the printers could not be listed; 2 when the\n"
         "arguments are wrong; 130 when interrupted.\n";
}

std::string VersionText() { return std::string(kProgramName) + " " + TORVANE_VERSION + "\n"; }

}  // namespace sender

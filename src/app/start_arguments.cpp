#include "app/start_arguments.h"

#include "app/kel_prn_print.h"
#include "platform/version.h"

namespace app {

StartArguments ParseStartArguments(std::vector<std::string> args) {
  StartArguments start;
  start.paths.reserve(args.size());
  bool options_ended = false;
  for (auto& arg : args) {
    if (!options_ended && arg == "--") {
      options_ended = true;
    } else if (!options_ended && (arg == "--help" || arg == "-h")) {
      return {StartAction::Help, {}};
    } else if (!options_ended && arg == "--version") {
      return {StartAction::Version, {}};
    } else if (!arg.empty()) {  // an empty argument names no file
      start.paths.push_back(std::move(arg));
    }
  }
  return start;
}

std::string StartHelpText() {
  return "Usage: torvane [FILE]...\n"
         "Opens the Torvane window with each FILE in its list, ready to be sent\n"
         "unchanged to a printer through the system's print spooler.\n"
         "\n"
         "  -h, --help     show this help and exit\n"
         "      --version  show the version and the licence and exit\n"
         "  --             what follows are files, even --help or --version\n"
         "\n"
         "Every other argument is a file, also one that begins with '-'. The window's\n"
         "platform is chosen by the environment (QT_QPA_PLATFORM), not by arguments.\n"
         "SIGTERM, SIGHUP and SIGINT close the window as its close box does: the\n"
         "settings are saved (or standard error says why not) and a document being\n"
         "sent is taken back.\n";
}

std::string StartVersionText() { return "torvane " + VersionNumber() + "\n" + platform::kLicenseLine + "\n"; }

}  // namespace app

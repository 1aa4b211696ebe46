#include <iostream>

#include "app/kel_prn_print.h"
#include "app/start_arguments.h"
#include "platform/window/application.h"
#include "platform/window/close_signals.h"
#include "platform/command_line.h"
#include "platform/settings/settings_store.h"
#include "platform/spooler/spooler.h"
#include "platform/standard_streams.h"

int main(int argc, char** argv) {
  platform::OpenClosedStandardStreams();
  std::variant<std::string, std::vector<std::string>> command_line;
  if (auto text = platform::NativeArgumentText()) {
    command_line = std::move(*text);
  } else {
    // Read before Qt starts: help and version need no display.
    auto start = app::ParseStartArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (start.action == app::StartAction::Help) std::cout << app::StartHelpText();
    if (start.action == app::StartAction::Version) std::cout << app::StartVersionText();
    if (start.action != app::StartAction::Window) return 0;
    // Paths pass as the bytes the shell gave, unchanged.
    command_line = std::move(start.paths);
  }
  // The window system sees the program's name only: the arguments are
  // files, never its options.
  platform::Application application(argv[0]);
  auto settings = platform::MakeUserSettingsStore();
  auto spooler = platform::MakeSystemSpooler();
  app::KelPrnPrint window({*settings, *spooler, std::move(command_line)});
  platform::RunHandler([&] { window.Form_Load(); });
  window.Show();
  platform::CloseOnSignals([&] { window.CloseUnattended(); });
  return application.Run();
}

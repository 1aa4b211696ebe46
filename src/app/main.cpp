#include <QApplication>

#include "app/kel_prn_print.h"
#include "filelist/command_line.h"
#include "platform/command_line.h"
#include "platform/settings_store.h"
#include "platform/spooler.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);  // takes its own options out of argv
  auto settings = platform::MakeUserSettingsStore();
  auto spooler = platform::MakeSystemSpooler();
  // Paths pass as the bytes the shell gave, unchanged.
  std::string arguments = platform::NativeArgumentText().value_or(
      filelist::ArgumentText(std::vector<std::string>(argv + 1, argv + argc)));
  app::KelPrnPrint window({*settings, *spooler, std::move(arguments)});
  platform::RunHandler([&] { window.Form_Load(); });
  window.Show();
  return application.exec();
}

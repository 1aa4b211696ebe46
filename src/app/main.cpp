#include <QApplication>

#include "app/kel_prn_print.h"
#include "platform/settings_store.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  auto settings = platform::MakeUserSettingsStore();
  app::KelPrnPrint window({*settings});
  platform::RunHandler([&] { window.Form_Load(); });
  window.Show();
  return application.exec();
}

#include "app/app_fixture.h"

#include <QCoreApplication>

#include "platform/run_time_error.h"
#include "support/message_catcher.h"
#include "support/poll.h"

namespace apptest {

std::string RecordingStore::Read(const std::string& app, const std::string& section, const std::string& key,
                                 const std::optional<std::string>& fallback) {
  read_keys.push_back(key);
  if (key == fail_read) throw platform::MakeError(platform::kErrPathFileAccess, "settings unreadable");
  return inner_.Read(app, section, key, fallback);
}

void RecordingStore::Save(const std::string& app, const std::string& section, const std::string& key,
                          const std::string& text) {
  if (key == fail_save) throw platform::MakeError(platform::kErrPathFileAccess, "settings unwritable");
  inner_.Save(app, section, key, text);
  saved_keys.push_back(key);
}

void RecordingStore::SaveAll(const std::string& app, const std::string& section,
                             const std::vector<std::pair<std::string, std::string>>& texts) {
  for (const auto& entry : texts) {
    if (entry.first == fail_save) throw platform::MakeError(platform::kErrPathFileAccess, "settings unwritable");
  }
  inner_.SaveAll(app, section, texts);
  for (const auto& entry : texts) saved_keys.push_back(entry.first);
}

AppTest::AppTest()
    : ini_(platform::MakeIniSettingsStore(IniPath())), store_(*ini_), spooler_(platform::MakeSystemSpooler()) {}

app::Services AppTest::Services(std::string argument_text) {
  return app::Services{store_, *spooler_, std::move(argument_text)};
}

void AppTest::Store(const std::string& key, const std::string& text) { ini_->Save("Torvane", "InitVal", key, text); }

std::string AppTest::Stored(const std::string& key) { return ini_->Read("Torvane", "InitVal", key, "<missing>"); }

app::KelPrnPrint& AppTest::Start(bool show, std::string argument_text) {
  window_.reset();
  window_ = std::make_unique<app::KelPrnPrint>(Services(std::move(argument_text)));
  platform::RunHandler([&] { window_->Form_Load(); });
  if (show) window_->Show();
  return *window_;
}

bool AppTest::ProcessEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  return testsupport::PollUntil(
      [&] {
        if (done()) return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return false;
      },
      timeout);
}

void AppTest::WaitForJob(app::KelPrnPrint& window) {
  EXPECT_TRUE(ProcessEventsUntil([&] { return !window.JobRunning(); })) << "the print job did not end";
}

std::vector<QString> AppTest::PrintWithoutPrinters(app::KelPrnPrint& window) {
  EXPECT_EQ(window.List_printer.ListCount(), 0);
  testsupport::MessageCatcher catcher;
  window.But_Out.Click();
  WaitForJob(window);
  return catcher.Texts();
}

}  // namespace apptest

// SPDX-License-Identifier: Apache-2.0
#pragma once
// A real window over a real INI settings file in a fresh temporary folder.
#include <gtest/gtest.h>

#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/kel_prn_print.h"
#include "platform/settings/settings_store.h"
#include "platform/spooler/spooler.h"
#include "support/temp_folder.h"

namespace apptest {

// Passes every call on to a real store, recording the saves in order, and
// can fail a chosen read or save the way a broken store would.
class RecordingStore : public platform::SettingsStore {
 public:
  explicit RecordingStore(platform::SettingsStore& inner) : inner_(inner) {}
  std::string Read(const std::string& app, const std::string& section, const std::string& key,
                   const std::optional<std::string>& fallback) override;
  void Save(const std::string& app, const std::string& section, const std::string& key,
            const std::string& text) override;
  // A failing key fails the whole save.
  void SaveAll(const std::string& app, const std::string& section,
               const std::vector<std::pair<std::string, std::string>>& texts) override;

  std::vector<std::string> saved_keys;
  std::vector<std::string> read_keys;
  std::string fail_read;  // a read of this key fails
  std::string fail_save;  // a save of this key fails

 private:
  platform::SettingsStore& inner_;
};

class AppTest : public ::testing::Test {
 protected:
  AppTest();
  // The INI file the window's settings go to.
  std::string IniPath() const { return dir_.File("Torvane.ini"); }
  // Writes a key as a previous close would have.
  void Store(const std::string& key, const std::string& text);
  std::string Stored(const std::string& key);
  // What a window gets: these settings, the system's spooler and the
  // command line's argument text.
  app::Services Services(std::string argument_text = {});
  // A new window on the same settings, loaded (and shown when asked).
  app::KelPrnPrint& Start(bool show = true, std::string argument_text = {});
  // Handles window events until `done` holds; false after `timeout`.
  static bool ProcessEventsUntil(const std::function<bool()>& done,
                                 std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // Handles window events until the window's print job has ended.
  static void WaitForJob(app::KelPrnPrint& window);
  // Presses Print on a window that could list no printer; the messages it
  // gave by the time the job ended.
  static std::vector<QString> PrintWithoutPrinters(app::KelPrnPrint& window);

  testsupport::TempFolder dir_;
  std::unique_ptr<platform::SettingsStore> ini_;
  RecordingStore store_;
  std::unique_ptr<platform::Spooler> spooler_;
  std::unique_ptr<app::KelPrnPrint> window_;
};

}  // namespace apptest

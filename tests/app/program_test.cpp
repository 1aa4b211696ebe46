// SPDX-License-Identifier: Apache-2.0
// The torvane program as a user starts it: its own options, files that look
// like Qt's options, and a request to end from outside.
#include <gtest/gtest.h>

#include <QFile>
#include <csignal>

#include "app/start_arguments.h"
#include "platform/version.h"
#include "support/child_process.h"
#include "support/poll.h"
#include "support/temp_folder.h"

namespace {

using app::StartAction;
using Paths = std::vector<std::string>;

TEST(StartArguments, EveryArgumentIsAFileExceptHelpAndVersionBeforeTheirEnd) {
  const std::pair<Paths, app::StartArguments> cases[] = {
      {{"a.prn", "\"b.prn", "", "-platform", "-reverse", "-draft.prn"},
       {StartAction::Window, {"a.prn", "\"b.prn", "-platform", "-reverse", "-draft.prn"}}},
      {{"--version", "-h"}, {StartAction::Version, {}}},
      {{"--", "--help", "--", "--version"}, {StartAction::Window, {"--help", "--", "--version"}}},
  };
  for (const auto& [args, expected] : cases) {
    const auto start = app::ParseStartArguments(args);
    EXPECT_EQ(start.action, expected.action) << ::testing::PrintToString(args);
    EXPECT_EQ(start.paths, expected.paths) << ::testing::PrintToString(args);
  }
}

// The program under env(1), which sets its environment.
testsupport::ChildProcess Start(const testsupport::TempFolder& dir, Paths env_and_args) {
  env_and_args.insert(env_and_args.begin(), "/usr/bin/env");
  return testsupport::ChildProcess(env_and_args, dir.Path());
}

TEST(Program, HelpAndVersionNeedNoDisplay) {
  const testsupport::TempFolder dir;
  const std::string version =
      "torvane " + std::string(platform::kVersionText) + "\n" + platform::kLicenseLine + "\n";
  for (const auto& [option, text] : {std::pair{"--help", app::StartHelpText()}, {"--version", version}}) {
    const auto outcome =
        Start(dir, {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM", TORVANE_PROGRAM, "a", option})
            .Wait(std::chrono::seconds(30));
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, text);
  }
}

TEST(Program, ATerminationSignalClosesTheWindowAsItsCloseBoxDoes) {
  const testsupport::TempFolder dir;
  for (const int signal_number : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(signal_number);
    const std::string config = dir.File("config" + std::to_string(signal_number));
    // Qt's own options among the files neither abort it nor vanish.
    auto window = Start(dir, {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + config, TORVANE_PROGRAM,
                              "-platform", "x.prn", "-reverse", "-style", "y.prn", "--", "--help"});
    EXPECT_TRUE(testsupport::PollUntil([&] { return window.Catches(signal_number); }, std::chrono::seconds(30)));
    kill(window.Pid(), signal_number);
    const auto outcome = window.Wait(std::chrono::seconds(30));
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    QFile ini(QString::fromStdString(config + "/Torvane/Torvane.ini"));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll().count('='), 5);
  }
}

// Settings that cannot be saved (Torvane.ini a folder) do not hold up the
// end: no message box waits for an answer, the reason goes to standard error.
TEST(Program, ATerminationSignalEndsItThoughTheSettingsCannotBeSaved) {
  const testsupport::TempFolder dir;
  std::filesystem::create_directories(dir.Path() / "config" / "Torvane" / "Torvane.ini");
  auto window = Start(dir, {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + dir.File("config"), TORVANE_PROGRAM});
  EXPECT_TRUE(testsupport::PollUntil([&] { return window.Catches(SIGTERM); }, std::chrono::seconds(30)));
  kill(window.Pid(), SIGTERM);
  const auto outcome = window.Wait(std::chrono::seconds(30));
  EXPECT_EQ(outcome.status, 0);
  EXPECT_NE(outcome.err.find("torvane: the settings were not saved: Path/File access error: cannot save settings in "),
            std::string::npos) << outcome.err;
}

}  // namespace

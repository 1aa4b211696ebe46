// The torvane program as a user starts it: its own options, files that look
// like Qt's options, and a request to end from outside.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <thread>

#include "app/start_arguments.h"
#include "support/child_process.h"

namespace {

using app::StartAction;
using Paths = std::vector<std::string>;

TEST(StartArguments, EveryArgumentIsAFileExceptHelpAndVersionBeforeTheirEnd) {
  const std::pair<Paths, app::StartArguments> cases[] = {
      {{}, {StartAction::Window, {}}},
      {{"a.prn", "\"b.prn", "c d.prn", "e\\\"f"}, {StartAction::Window, {"a.prn", "\"b.prn", "c d.prn", "e\\\"f"}}},
      {{"-platform", "x.prn", "-reverse", "-style", "-draft.prn"},
       {StartAction::Window, {"-platform", "x.prn", "-reverse", "-style", "-draft.prn"}}},
      {{"a.prn", "", "b.prn"}, {StartAction::Window, {"a.prn", "b.prn"}}},
      {{"a.prn", "--help"}, {StartAction::Help, {}}},
      {{"-h"}, {StartAction::Help, {}}},
      {{"--version", "--help"}, {StartAction::Version, {}}},
      {{"--", "--help", "--", "--version"}, {StartAction::Window, {"--help", "--", "--version"}}},
  };
  for (const auto& [args, expected] : cases) {
    const auto start = app::ParseStartArguments(args);
    EXPECT_EQ(start.action, expected.action) << ::testing::PrintToString(args);
    EXPECT_EQ(start.paths, expected.paths) << ::testing::PrintToString(args);
  }
}

class Program : public ::testing::Test {
 protected:
  testsupport::ChildProcess Start(const Paths& args, const Paths& environment) {
    Paths command = {TORVANE_PROGRAM};
    command.insert(command.end(), args.begin(), args.end());
    return testsupport::ChildProcess(command, dir_.path().toStdString(), environment);
  }
  QTemporaryDir dir_;
};

TEST_F(Program, HelpAndVersionNeedNoDisplay) {
  const Paths no_display = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
  const auto help = Start({"a.prn", "--help"}, no_display).Wait(std::chrono::seconds(30));
  EXPECT_EQ(help.status, 0) << help.err;
  EXPECT_EQ(help.out, app::StartHelpText());
  const auto version = Start({"--version"}, no_display).Wait(std::chrono::seconds(30));
  EXPECT_EQ(version.status, 0) << version.err;
  EXPECT_EQ(version.out, "torvane 1.0.3\n");
}

TEST_F(Program, ATerminationSignalClosesTheWindowAsItsCloseBoxDoes) {
  for (const int signal_number : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(signal_number);
    const QString config = dir_.filePath("config" + QString::number(signal_number));
    // Qt's own options among the files neither abort it nor vanish.
    auto window = Start({"-platform", "x.prn", "-reverse", "-style", "y.prn", "--", "--help"},
                        {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + config.toStdString()});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!window.Catches(signal_number) && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    kill(window.Pid(), signal_number);
    const auto outcome = window.Wait(std::chrono::seconds(30));
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    QFile ini(config + "/Torvane/Torvane.ini");
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QString saved = QString::fromUtf8(ini.readAll());
    for (const char* key : {"WinPosL=", "WinPosT=", "ListIdx=", "PathDisp=1", "AddFile=0"}) {
      EXPECT_TRUE(saved.contains(key)) << key << " in " << saved.toStdString();
    }
  }
}

}  // namespace

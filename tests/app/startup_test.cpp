// SPDX-License-Identifier: Apache-2.0
// Start-up and shutdown over a real INI file.
#include <QFile>
#include <QTextStream>
#include <atomic>
#include <set>
#include <thread>

#include "app/app_fixture.h"
#include "app/setting_text.h"
#include "platform/run_time_error.h"
#include "platform/settings/ini_text.h"
#include "platform/version.h"
#include "platform/window/window.h"
#include "support/message_catcher.h"
#include "support/scoped_environment.h"
#include "support/slow_server.h"
#include "support/window_driver.h"

namespace apptest {
namespace {

const std::vector<std::string> kFiveKeys = {"WinPosL", "WinPosT", "ListIdx", "PathDisp", "AddFile"};

// With the version project(VERSION) gives.
const std::string kCaption = std::string("Torvane   (Ver.") + platform::kVersionText + ")";

TEST(Caption, NameThreeBlanksAndVersion) { EXPECT_EQ(app::WindowCaption(), kCaption); }

TEST(CoordinateFitsScreen, AtLeastOneAndBelowFourFifthsOfTheScreen) {
  struct Case {
    std::int32_t value;
    float screen;
    bool fits;
  } cases[] = {{0, 15360, false},     {-5, 15360, false},    {1, 15360, true},      {12000, 15360, true},
               {12287, 15360, true},  {12288, 15360, false}, {12300, 15360, false}, {1, 1, false}};
  for (const auto& c : cases) EXPECT_EQ(app::CoordinateFitsScreen(c.value, c.screen), c.fits) << c.value;
}

TEST_F(AppTest, FirstStartKeepsTheInitialLayoutAndReadsTheSettingsInOrder) {
  auto& window = Start(false);
  EXPECT_EQ(window.Form().Caption(), kCaption);
  EXPECT_EQ(window.Chk_FullPath.Value(), 1);
  EXPECT_EQ(window.Chk_add.Value(), 0);
  EXPECT_FALSE(window.But_Out.Enabled());
  EXPECT_EQ(window.List_printer.ListIndex(), -1);
  EXPECT_EQ(store_.read_keys, (std::vector<std::string>{"ListIdx", "WinPosL", "WinPosT", "PathDisp", "AddFile"}));
  // The progress reset runs between the two captures: the fill is recorded
  // one twip wide, everything else as it was created.
  const auto& layout = window.Layout();
  EXPECT_EQ(layout.FormScale, (std::array<std::int32_t, 2>{9075, 4005}));
  EXPECT_EQ(layout.CtlGeom[0], (std::array<std::int32_t, 4>{1, 255, 1845, 3540}));
  EXPECT_EQ(layout.CtlGeom[14], (std::array<std::int32_t, 4>{3495, 375, 1800, 3480}));
  EXPECT_EQ(layout.CtlGeom[15], (std::array<std::int32_t, 4>{0, 0, 0, 0}));
  EXPECT_EQ(window.Pict_Progress.Width(), 1);
}

TEST_F(AppTest, RestoresPositionAndCheckBoxesFromTheStoredTexts) {
  const float screen_w = platform::ScreenWidth(), screen_h = platform::ScreenHeight();
  struct Case {
    const char* left;  // nullptr: not stored
    const char* top;
    const char* path_disp;
    const char* add_file;
    float expect_left;  // < 0: unchanged
    float expect_top;
    int expect_full_path;
    int expect_add;
  } cases[] = {
      {"1440.5", "1500", "0", "1", 1440, 1500, 0, 1},
      {"1", "1441.5", "1", "0", 1, 1442, 1, 0},
      {"0", "-15", "7", "1", -1, -1, 1, 1},       // 0 and negatives are not applied; 7 is refused
      {"abc", "300", "2", "0", -1, 300, 2, 0},     // letters; 2 shows greyed
      {"3000", nullptr, nullptr, "5", 3000, -1, 1, 0},
      {"99999999999", "300", "x", "-1", -1, 300, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.left);
    QFile::remove(QString::fromStdString(IniPath()));
    if (c.left) Store("WinPosL", c.left);
    if (c.top) Store("WinPosT", c.top);
    if (c.path_disp) Store("PathDisp", c.path_disp);
    if (c.add_file) Store("AddFile", c.add_file);
    auto& window = Start(false);
    window.Form().SetLeft(750);
    window.Form().SetTop(750);
    window.Form_Load();
    EXPECT_EQ(window.Form().Left(), c.expect_left < 0 ? 750 : c.expect_left);
    EXPECT_EQ(window.Form().Top(), c.expect_top < 0 ? 750 : c.expect_top);
    EXPECT_EQ(window.Chk_FullPath.Value(), c.expect_full_path);
    EXPECT_EQ(window.Chk_add.Value(), c.expect_add);
  }
  // A coordinate beyond four fifths of the screen is not applied.
  EXPECT_GT(screen_w, 0);
  Store("WinPosL", std::to_string(static_cast<int>(screen_w * 0.8f)));
  Store("WinPosT", std::to_string(static_cast<int>(screen_h * 0.8f) - 15));
  auto& window = Start(false);
  EXPECT_NE(window.Form().Left(), static_cast<int>(screen_w * 0.8f));
  EXPECT_EQ(window.Form().Top(), static_cast<int>(screen_h * 0.8f) - 15);
}

TEST_F(AppTest, TextsReadBackAsSavedAndHandTypedOnesAsWrittenAndAnUnreadableFileIsReplaced) {
  for (const std::string text : {"HP, 2nd floor", "Say \"hi\"", "\\\\server\\q", "M\xC3\xBCller \xE8\xAB\x8B", " lead",
                                 "trail ", "@home", "@@x", "esc\x1B[0m\tx", "=;#[x]", "two\nlines", "", "\"\"", "\\x41",
                                 "a\\", "\x01" "2"}) {
    Store("ListIdx", text);
    EXPECT_EQ(Stored("ListIdx"), text);
  }
  // Hand-typed values reach the conversions as typed, commas and all.
  const auto write_ini = [&](const QByteArray& bytes) {
    QFile file(QString::fromStdString(IniPath()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
  };
  write_ini("[Other]\nWinPosL=9\n[InitVal]\nWinPosL=1,440\nWinPosT = 1440,5 \n;AddFile=0\nListIdx= A, \"B\" ; note\n");
  EXPECT_EQ(Stored("WinPosT") + "|" + Stored("ListIdx") + "|" + Stored("AddFile"), "1440,5|A, B|<missing>");
  ASSERT_EQ(app::UserNumberFormat().group, ',');
  EXPECT_EQ(Start(false).Form().Left(), 1440);
  write_ini("\xEF\xBB\xBF[InitVal]\nAddFile=1\n");  // an editor's byte order mark first
  EXPECT_EQ(Stored("AddFile"), "1");

  // A file that is no INI file is no failed save: the close starts a new
  // one, with nothing of the old, and keeps the old one beside it.
  for (const QByteArray& garbage : {QByteArray(4096, '\0'), QByteArray("junk=1\n\x01\x7F[x\n[InitVal]\nListIdx=Evil\n")}) {
    write_ini(garbage);
    testsupport::MessageCatcher catcher;
    Start().But_End.Click();
    EXPECT_TRUE(catcher.Messages().empty());
    QFile file(QString::fromStdString(IniPath())), copy(QString::fromStdString(IniPath() + ".bad"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly) && copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), garbage);
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.startsWith("[InitVal]\n") && text.count('\n') == 6) << text.toStdString();
    // No printers can be listed here: the printer read at start stays.
    EXPECT_EQ(Stored("ListIdx"), garbage.contains("Evil") ? "Evil" : "-1");
  }
}

TEST_F(AppTest, AFailureBeforeTheProtectedStepsEndsStartUpWithAMessage) {
  Store("PathDisp", "0");
  store_.fail_read = "ListIdx";
  testsupport::MessageCatcher catcher;
  auto& window = Start();
  ASSERT_EQ(catcher.Messages().size(), 1u);
  EXPECT_EQ(catcher.Messages()[0].title, "Torvane");
  EXPECT_TRUE(catcher.Messages()[0].only_ok);
  EXPECT_TRUE(catcher.Messages()[0].no_icon);
  EXPECT_TRUE(catcher.Texts()[0].startsWith("Run-time error '75':")) << catcher.Texts()[0].toStdString();
  // The later steps did not run, and the window is alive.
  EXPECT_EQ(window.Chk_FullPath.Value(), 1);
  EXPECT_TRUE(window.Form().Visible());
}

TEST_F(AppTest, AFailingReadInTheProtectedStepsSkipsOnlyThatStep) {
  Store("WinPosL", "1500");
  Store("PathDisp", "0");
  Store("AddFile", "1");
  store_.fail_read = "WinPosT";
  testsupport::MessageCatcher catcher;
  auto& window = Start();
  EXPECT_TRUE(catcher.Messages().empty());
  EXPECT_EQ(window.Form().Left(), 1500);
  EXPECT_EQ(window.Chk_FullPath.Value(), 0);
  EXPECT_EQ(window.Chk_add.Value(), 1);
}

TEST_F(AppTest, QuitAndTheCloseBoxSaveTheFiveKeysInOrder) {
  for (const bool by_quit : {true, false}) {
    SCOPED_TRACE(by_quit ? "Quit" : "close box");
    store_.saved_keys.clear();
    auto& window = Start();
    window.Form().SetLeft(1200);
    window.Form().SetTop(900);
    window.Chk_FullPath.SetValue(0);
    window.Chk_add.SetValue(1);
    if (by_quit) {
      window.But_End.Click();
    } else {
      testsupport::CloseBox(window.Form());
    }
    EXPECT_FALSE(window.Form().Visible());
    EXPECT_EQ(store_.saved_keys, kFiveKeys);
    EXPECT_EQ(Stored("WinPosL"), "1200");
    EXPECT_EQ(Stored("WinPosT"), "900");
    // The printers could not be listed here: the choice read stays (the
    // default "-1" when none was stored).
    EXPECT_EQ(Stored("ListIdx"), "-1");
    EXPECT_EQ(Stored("PathDisp"), "0");
    EXPECT_EQ(Stored("AddFile"), "1");
  }
  // The file is an INI file with one [InitVal] group.
  QFile file(QString::fromStdString(IniPath()));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QTextStream(&file).readAll();
  EXPECT_TRUE(text.contains("[InitVal]")) << text.toStdString();
  EXPECT_TRUE(text.contains("WinPosL=1200")) << text.toStdString();

  // A second start restores what the close wrote.
  auto& again = Start();
  EXPECT_EQ(again.Form().Left(), 1200);
  EXPECT_EQ(again.Form().Top(), 900);
  EXPECT_EQ(again.Chk_FullPath.Value(), 0);
  EXPECT_EQ(again.Chk_add.Value(), 1);
}

TEST_F(AppTest, AFailingSaveIsToldAndTheWindowStillCloses) {
  store_.fail_save = "ListIdx";
  auto& window = Start();
  testsupport::MessageCatcher catcher;
  window.But_End.Click();
  EXPECT_FALSE(window.Form().Visible());
  ASSERT_EQ(catcher.Messages().size(), 1u);
  EXPECT_TRUE(catcher.Texts()[0].startsWith("Run-time error '75':"));
  // The five are one save: none was written.
  EXPECT_TRUE(store_.saved_keys.empty());
  EXPECT_EQ(Stored("WinPosL"), "<missing>");
}

// Of two windows closing at once the last wins whole: the file is never
// seen with some of one save's values and some of another's.
TEST_F(AppTest, TheFiveValuesAreWrittenWhole) {
  std::atomic<bool> done = false;
  std::thread closing([&] {
    for (int round = 0; round < 40; ++round) {
      std::vector<std::pair<std::string, std::string>> texts;
      for (const auto& key : kFiveKeys) texts.emplace_back(key, std::to_string(round));
      platform::MakeIniSettingsStore(IniPath())->SaveAll("Torvane", "InitVal", texts);
    }
    done = true;
  });
  while (!done) {
    QFile file(QString::fromStdString(IniPath()));
    const std::string bytes = file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "";
    std::set<std::optional<std::string>> values;
    for (const auto& key : kFiveKeys) values.insert(platform::IniValue(bytes, "InitVal", key));
    ASSERT_EQ(values.size(), 1u) << bytes;
  }
  closing.join();
}

TEST_F(AppTest, AnUnwritableSettingsFolderIsAReportedFailure) {
  // A folder that cannot be made: its parent is a regular file.
  QFile blocker(QString::fromStdString(dir_.File("blocker")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  auto store = platform::MakeIniSettingsStore(dir_.File("blocker/Torvane/Torvane.ini"));
  EXPECT_THROW(store->Save("Torvane", "InitVal", "WinPosL", "1"), platform::RunTimeError);
  EXPECT_EQ(store->Read("Torvane", "InitVal", "WinPosL", "-1"), "-1");
}

TEST_F(AppTest, WithThePrintServerUnreachablePrintSaysWhyAndClosingKeepsTheChosenPrinter) {
  Store("ListIdx", "Office Laser");
  auto& window = Start(true, "a.prn");
  EXPECT_EQ(PrintWithoutPrinters(window),
            (std::vector<QString>{"Please choose the Printer.\n\nThe printers could not be listed: "
                                  "cannot connect to the print server /nonexistent/torvane-test/"
                                  "cups.sock: No such file or directory"}));
  window.But_End.Click();
  EXPECT_EQ(Stored("ListIdx"), "Office Laser");
}

// A print server that never answers holds the window up 5 s at most.
TEST_F(AppTest, WithASilentPrintServerPrintSaysTheListingGaveUp) {
  const testsupport::SlowServer silent;
  auto& window = Start(true, "a.prn");
  EXPECT_EQ(PrintWithoutPrinters(window),
            (std::vector<QString>{"Please choose the Printer.\n\nThe printers could not be listed: "
                                  "the print server did not answer within 5 s"}));
}

TEST(UserSettingsStore, LivesUnderTheConfigFolderAsAnIniFile) {
  const testsupport::TempFolder home;
  const testsupport::ScopedEnvironment config("XDG_CONFIG_HOME", home.Path().string());
  auto store = platform::MakeUserSettingsStore();
  store->Save("Torvane", "InitVal", "ListIdx", "Office Laser");
  store->Save("Torvane", "InitVal", "PathDisp", "1");
  QFile file(QString::fromStdString(home.File("Torvane/Torvane.ini")));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QTextStream(&file).readAll();
  EXPECT_TRUE(text.contains("[InitVal]"));
  EXPECT_TRUE(text.contains("ListIdx=Office Laser")) << text.toStdString();
  EXPECT_EQ(store->Read("Torvane", "InitVal", "ListIdx"), "Office Laser");
  EXPECT_EQ(store->Read("Torvane", "InitVal", "Missing"), "");
  EXPECT_EQ(store->Read("Torvane", "InitVal", "Missing", "-1"), "-1");
}

}  // namespace
}  // namespace apptest

namespace apptest {
namespace {

TEST_F(AppTest, CommandLineFilesAreListedInTheSavedDisplayMode) {
  for (const char* path_disp : {"", "0"}) {
    SCOPED_TRACE(path_disp);
    if (*path_disp) Store("PathDisp", path_disp);
    auto& window = Start(true, "/tmp/jobs/a.prn \"/tmp/my jobs/b c.prn\"");
    ASSERT_EQ(window.List_File.ListCount(), 2);
    const bool full = *path_disp == '\0';
    EXPECT_EQ(window.List_File.List(0), full ? "/tmp/jobs/a.prn" : "a.prn");
    EXPECT_EQ(window.List_File.List(1), full ? "/tmp/my jobs/b c.prn" : "b c.prn");
    EXPECT_EQ(window.Files().FilePaths()[1], "/tmp/my jobs/b c.prn");
    EXPECT_TRUE(window.But_Out.Enabled());
  }
  // No arguments: nothing listed, Print stays disabled.
  auto& window = Start(true, "");
  EXPECT_EQ(window.List_File.ListCount(), 0);
  EXPECT_FALSE(window.But_Out.Enabled());
}

}  // namespace
}  // namespace apptest

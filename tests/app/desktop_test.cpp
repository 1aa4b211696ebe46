// SPDX-License-Identifier: Apache-2.0
// The window on a real X desktop (tests/support/with-desktop): what a screen
// reader sees of it, and where the window manager puts it.
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QTranslator>

#include "app/app_fixture.h"
#include "platform/version.h"
#include "platform/window/qt/qt_widget.h"

namespace apptest {
namespace {

TEST_F(AppTest, AScreenReaderSeesANamedFrameNamedListsAndOneProgressBar) {
  auto& window = Start();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(platform::QtWidget(window.Form())));
  window.SetProgress(250, 1000);
  QProcess reader;
  reader.start(TORVANE_ATSPI_TREE, {QString::number(QCoreApplication::applicationPid())});
  // The reader asks this process, which goes on answering meanwhile.
  for (QDeadlineTimer limit(30000); reader.state() != QProcess::NotRunning && !limit.hasExpired();) QTest::qWait(20);
  QList<QByteArray> seen = reader.readAllStandardOutput().trimmed().split('\n');
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen.join('\n').toStdString(), "check box|Add files\ncheck box|Full Path\nlabel|(Drag & Drop)\n"
                                           "label|ORVEX\nlabel|Print File List\nlabel|Printer List\n"
                                           "list|Print File List\nlist|Printer List\nprogress bar|Progress|25\n"
                                           "push button|Clear\npush button|Print\npush button|Quit\n"
                                           "window frame|Torvane   (Ver." + std::string(platform::kVersionText) + ")");
}

TEST_F(AppTest, ARestoredEdgeMovesAloneTheOtherStaysWhereTheWindowManagerPutsIt) {
  const auto opened_at = [&](const char* key, const char* text) {
    QFile::remove(QString::fromStdString(IniPath()));
    if (key) Store(key, text);
    auto& window = Start();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(platform::QtWidget(window.Form())));
    QTest::qWait(200);  // the window manager's placement reaches the window
    return std::pair(window.Form().Left(), window.Form().Top());
  };
  const auto [left, top] = opened_at(nullptr, nullptr);
  ASSERT_GT(left * top, 0);  // openbox centres a new window
  EXPECT_EQ(opened_at("WinPosL", "1440.5"), std::pair(1440.0f, top));
  EXPECT_EQ(opened_at("WinPosT", "1500"), std::pair(left, 1500.0f));
}

TEST_F(AppTest, OneClickMaximizesAndASecondRestoresTheInitialLayout) {
  auto& window = Start();
  platform::Form& form = window.Form();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(platform::QtWidget(form)));
  const QRect list = platform::QtWidget(window.List_File)->geometry();
  form.SetState(platform::WindowState::Maximized);  // as the title bar's button asks the window manager
  QTest::qWait(500);
  EXPECT_EQ(form.State(), platform::WindowState::Maximized);
  form.SetState(platform::WindowState::Normal);
  QTest::qWait(500);
  EXPECT_EQ(platform::QtWidget(window.List_File)->geometry(), list);
}

TEST(Translations, QtsOwnTextsSpeakTheLocalesLanguage) {
  platform::TranslateStandardTexts("de_DE");
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Abbrechen");
  qDeleteAll(QCoreApplication::instance()->findChildren<QTranslator*>());
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
}

}  // namespace
}  // namespace apptest

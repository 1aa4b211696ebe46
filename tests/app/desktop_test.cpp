// The window on a real X desktop (tests/support/with-desktop): what a screen
// reader sees of it, and where the window manager puts it.
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include "app/app_fixture.h"

namespace apptest {
namespace {

// The window's objects as a screen reader sees them, one level below the
// window: "role|name", and "|value" where there is one.
std::vector<std::string> SeenInTheWindow() {
  QProcess dump;
  dump.start(TORVANE_ATSPI_TREE, {QString::number(QCoreApplication::applicationPid())});
  // The reader asks this process, which must go on answering meanwhile.
  const QDeadlineTimer deadline(30000);
  while (dump.state() != QProcess::NotRunning && !deadline.hasExpired()) QTest::qWait(20);
  std::vector<std::string> seen;
  for (const QByteArray& line : dump.readAllStandardOutput().split('\n')) {
    if (line.startsWith("    ") && !line.startsWith("     ")) seen.push_back(line.trimmed().toStdString());
    if (line.startsWith("  ") && !line.startsWith("   ")) seen.push_back("window: " + line.trimmed().toStdString());
  }
  std::sort(seen.begin(), seen.end());
  return seen;
}

TEST_F(AppTest, AScreenReaderSeesANamedFrameNamedListsAndOneProgressBar) {
  auto& window = Start();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.Form().Widget()));
  window.SetProgress(250, 1000);
  EXPECT_EQ(SeenInTheWindow(), (std::vector<std::string>{
                                   "check box|Add files",
                                   "check box|Full Path",
                                   "label|(Drag & Drop)",
                                   "label|ORVEX",
                                   "label|Print File List",
                                   "label|Printer List",
                                   "list|Print File List",
                                   "list|Printer List",
                                   "progress bar|Progress|25",
                                   "push button|Clear",
                                   "push button|Print",
                                   "push button|Quit",
                                   "window: frame|Torvane   (Ver.1.0.3)",
                               }));
}

TEST_F(AppTest, ARestoredEdgeMovesAloneTheOtherStaysWhereTheWindowManagerPutsIt) {
  // The window's outer position in twips, once the window manager has placed it.
  const auto opened_at = [&](const char* key, const char* text) {
    QFile::remove(QString::fromStdString(IniPath()));
    if (key) Store(key, text);
    auto& window = Start();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.Form().Widget()));
    QTest::qWait(200);
    return std::pair(window.Form().Left(), window.Form().Top());
  };
  const auto [left, top] = opened_at(nullptr, nullptr);
  ASSERT_GT(left, 0);  // the window manager centres a new window
  ASSERT_GT(top, 0);
  EXPECT_EQ(opened_at("WinPosL", "1440.5"), std::pair(1440.0f, top));
  EXPECT_EQ(opened_at("WinPosT", "1500"), std::pair(left, 1500.0f));
}

}  // namespace
}  // namespace apptest

// SPDX-License-Identifier: Apache-2.0
// The window driven from the keyboard alone.
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "app/app_fixture.h"
#include "platform/window/qt/qt_widget.h"
#include "support/list_lines.h"
#include "support/message_catcher.h"

namespace apptest {
namespace {

TEST_F(AppTest, CtrlVAndCtrlOTakeFilesAsADropAndReturnPressesPrint) {
  auto& window = Start();
  QWidget* form = platform::QtWidget(window.Form());
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form));
  const auto listed = [&] { return testsupport::Lines(window.List_File); };
  // A file manager's copy: its local files replace the list.
  auto* copied = new QMimeData;
  copied->setUrls({QUrl::fromLocalFile("/jobs/a.prn"), QUrl("https://example.invalid/x.prn"),
                   QUrl::fromLocalFile("/jobs/b.prn")});
  QGuiApplication::clipboard()->setMimeData(copied);
  QTest::keySequence(form, QKeySequence::Paste);
  EXPECT_EQ(listed(), (std::vector<std::string>{"/jobs/a.prn", "/jobs/b.prn"}));
  EXPECT_TRUE(window.But_Out.Enabled());
  QGuiApplication::clipboard()->setText("/no/such.prn");  // names no file: nothing changes
  QTest::keySequence(form, QKeySequence::Paste);
  EXPECT_EQ(listed().size(), 2u);

  // The chooser's files, added in Add files mode; then a cancelled chooser.
  const std::string c = dir_.File("c.prn"), d = dir_.File("d.prn");
  for (const auto& path : {c, d}) QFile(QString::fromStdString(path)).open(QIODevice::WriteOnly);
  window.Chk_add.SetValue(1);
  for (const bool choose : {true, false}) {
    QTimer answer;  // answers the chooser once it is open
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (chooser == nullptr) return;
      chooser->setDirectory(QString::fromStdString(dir_.Path().string()));
      chooser->findChild<QLineEdit*>("fileNameEdit")->setText("\"c.prn\" \"d.prn\"");  // as typed
      choose ? static_cast<QDialog*>(chooser)->accept() : chooser->reject();
    });
    answer.start(10);
    QTest::keySequence(form, QKeySequence::Open);
  }
  EXPECT_EQ(listed(), (std::vector<std::string>{"/jobs/a.prn", "/jobs/b.prn", c, d}));

  // Return and Enter press the focused Print (no printer is chosen: it says so).
  QSignalSpy clicks(static_cast<QPushButton*>(platform::QtWidget(window.But_Out)), &QPushButton::clicked);
  platform::QtWidget(window.But_Out)->setFocus();
  testsupport::MessageCatcher catcher;
  QTest::keyClick(platform::QtWidget(window.But_Out), Qt::Key_Return);
  QTest::keyClick(platform::QtWidget(window.But_Out), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(clicks.count(), 2);

  // Print disabled while it has the focus (a job, Clear) hands the focus
  // on, and gets it back once enabled.
  QWidget* print = platform::QtWidget(window.But_Out);
  print->setFocus();
  window.But_Out.SetEnabled(false);
  EXPECT_NE(form->focusWidget(), nullptr);
  EXPECT_NE(form->focusWidget(), print);
  window.But_Out.SetEnabled(true);
  EXPECT_EQ(form->focusWidget(), print);
}

TEST_F(AppTest, DeleteAndBackspaceRemoveTheSelectedFileAndTheSelectionMovesOn) {
  auto& window = Start(true, "/j/a.prn /j/b.prn /j/c.prn");
  window.List_File.SetListIndex(1);
  // Each key, the lines and paths left, and the line selected then.
  const std::vector<std::tuple<Qt::Key, std::vector<std::string>, int>> steps = {
      {Qt::Key_Delete, {"/j/a.prn", "/j/c.prn"}, 1},
      {Qt::Key_Backspace, {"/j/a.prn"}, 0},
      {Qt::Key_Delete, {}, -1},
  };
  for (const auto& [key, left, selected] : steps) {
    QTest::keyClick(platform::QtWidget(window.List_File), key);
    EXPECT_EQ(testsupport::Lines(window.List_File), left);
    EXPECT_EQ(window.Files().ListedPaths(), left);
    EXPECT_EQ(window.List_File.ListIndex(), selected);
    EXPECT_EQ(window.But_Out.Enabled(), !left.empty());
  }
}

}  // namespace
}  // namespace apptest

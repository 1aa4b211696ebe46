// The window driven from the keyboard alone.
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "app/app_fixture.h"
#include "support/message_catcher.h"

namespace apptest {
namespace {

class KeyboardTest : public AppTest {
 protected:
  app::KelPrnPrint& StartActive() {
    auto& window = Start();
    QWidget* form = window.Form().Widget();
    form->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form));
    return window;
  }
  std::string File(const char* name) {
    const QString path = dir_.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    return path.toStdString();
  }
  std::vector<std::string> Paths(app::KelPrnPrint& window) {
    const auto& all = window.Files().FilePaths();
    return {all.begin(), all.begin() + window.List_File.ListCount()};
  }
};

TEST_F(KeyboardTest, ReturnAndEnterPressTheFocusedPrintButton) {
  auto& window = StartActive();
  window.TakeDroppedFiles({File("a.prn")});
  QSignalSpy clicks(static_cast<QPushButton*>(window.But_Out.Widget()), &QPushButton::clicked);
  window.But_Out.Widget()->setFocus();
  testsupport::MessageCatcher catcher;  // no printer is chosen: Print says so
  QTest::keyClick(window.But_Out.Widget(), Qt::Key_Return);
  QTest::keyClick(window.But_Out.Widget(), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(clicks.count(), 2);
}

TEST_F(KeyboardTest, CtrlVPastesCopiedFilesOrTextNamingFilesAsADrop) {
  const std::string a = File("a.prn"), b = File("b b.prn"), kept = File("kept.prn");
  const auto uri_list = [&] {
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QString::fromStdString(a)), QUrl("https://example.invalid/x.prn"),
                   QUrl::fromLocalFile(QString::fromStdString(b))});
    return data;
  };
  const auto text = [](std::string t) {
    return [t] {
      auto* data = new QMimeData;
      data->setText(QString::fromStdString(t));
      return data;
    };
  };
  struct Case {
    const char* what;
    std::function<QMimeData*()> data;
    std::vector<std::string> expect;  // empty: the list is left as it was
  } cases[] = {
      {"a file manager's copy", uri_list, {a, b}},
      {"text, one path a line", text(b + "\r\n/no/such.prn\n" + a + "\n"), {b, a}},
      {"text naming no file", text("hello\n/no/such.prn"), {}},
  };
  auto& window = StartActive();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    window.TakeDroppedFiles({kept});
    window.But_Out.SetEnabled(false);
    QGuiApplication::clipboard()->setMimeData(c.data());
    QTest::keySequence(window.Form().Widget(), QKeySequence::Paste);
    EXPECT_EQ(Paths(window), c.expect.empty() ? std::vector<std::string>{kept} : c.expect);
    EXPECT_EQ(window.But_Out.Enabled(), !c.expect.empty());
  }
}

TEST_F(KeyboardTest, CtrlOAddsTheChosenFilesAndACancelChangesNothing) {
  const std::string listed = File("listed.prn"), a = File("a.prn"), b = File("b.prn");
  auto& window = StartActive();
  window.TakeDroppedFiles({listed});
  window.Chk_add.SetValue(1);
  // Answers the chooser once it is open: two files, or a cancel.
  const auto answer = [&](bool choose) {
    QTimer::singleShot(0, [&, choose] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      if (!choose) return dialog->reject();
      dialog->setDirectory(dir_.path());
      dialog->selectFile("\"a.prn\" \"b.prn\"");
      static_cast<QDialog*>(dialog)->accept();
    });
    QTest::keySequence(window.Form().Widget(), QKeySequence::Open);
  };
  answer(true);
  EXPECT_EQ(Paths(window), (std::vector<std::string>{listed, a, b}));
  answer(false);
  EXPECT_EQ(Paths(window), (std::vector<std::string>{listed, a, b}));
}

}  // namespace
}  // namespace apptest

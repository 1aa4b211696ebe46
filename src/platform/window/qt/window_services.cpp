#include "platform/window/window_services.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QTranslator>

#include "platform/window/control.h"
#include "platform/window/qt/qt_text.h"

namespace platform {

namespace {
QRect ScreenRect() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}
}  // namespace

float ScreenWidth() { return static_cast<float>(ScreenRect().width() * kTwipsPerPixel); }
float ScreenHeight() { return static_cast<float>(ScreenRect().height() * kTwipsPerPixel); }

void ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Torvane"), Q(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  // A text that would make the box taller than half the screen (a long list
  // of files) shows its first paragraph; the rest goes under Show Details,
  // which scrolls. Measured at a width narrower than the box's text gets,
  // so the estimate errs on the tall side.
  const QString all = box.text();
  const int available = ScreenRect().height();
  const QRect measured = box.fontMetrics().boundingRect(QRect(0, 0, 400, available * 4), Qt::TextWordWrap, all);
  const auto paragraph = all.indexOf(QStringLiteral("\n\n"));
  const auto line = all.indexOf(QLatin1Char('\n'));
  const auto split = paragraph >= 0 ? paragraph : line;
  if (split > 0 && measured.height() > available / 2) {
    box.setText(all.left(split));
    box.setDetailedText(all.mid(split + (paragraph >= 0 ? 2 : 1)));
  }
  box.exec();
}

bool ModalOpen() { return QApplication::activeModalWidget() != nullptr; }

void DoEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TranslateStandardTexts(const std::string& locale) {
  auto* translator = new QTranslator(QCoreApplication::instance());
  // Tries each of the locale's languages in turn (de_DE, then de).
  if (translator->load(locale.empty() ? QLocale::system() : QLocale(Q(locale)), QStringLiteral("qtbase"),
                       QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(translator);
  } else {
    delete translator;
  }
}

}  // namespace platform

#include "support/message_catcher.h"

#include <QApplication>
#include <QMessageBox>

namespace testsupport {

MessageCatcher::MessageCatcher() {
  connect(&timer_, &QTimer::timeout, this, &MessageCatcher::Poll);
  timer_.start(5);
}

void MessageCatcher::Poll() {
  QMessageBox* box = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) box = b;
  }
  if (box == nullptr) return;
  const QString details = box->detailedText();
  messages_.push_back({box->windowTitle(), box->text() + (details.isEmpty() ? "" : "\n\n" + details),
                       box->frameGeometry().height(), box->standardButtons() == QMessageBox::Ok,
                       box->icon() == QMessageBox::NoIcon});
  box->done(QMessageBox::Ok);
}

std::vector<QString> MessageCatcher::Texts() const {
  std::vector<QString> texts;
  for (const auto& m : messages_) texts.push_back(m.text);
  return texts;
}

}  // namespace testsupport

#include "platform/window/qt/drop_router.h"

#include <QAbstractScrollArea>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace platform {

namespace {

std::vector<std::string> LocalFiles(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  }
  return paths;
}

// Local files named by the lines of a text, made absolute; other lines are
// left out.
std::vector<std::string> FilesNamedIn(const QString& text) {
  std::vector<std::string> paths;
  for (QString line : text.split(u'\n')) {
    if (line.endsWith(u'\r')) line.chop(1);
    const QFileInfo file(line);
    if (!line.isEmpty() && file.exists()) paths.push_back(file.absoluteFilePath().toStdString());
  }
  return paths;
}

}  // namespace

std::vector<std::string> PastedFiles(const QMimeData* data) {
  std::vector<std::string> paths = LocalFiles(data);
  if (paths.empty() && data != nullptr && data->hasText()) paths = FilesNamedIn(data->text());
  return paths;
}

bool DropRouter::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDropEvent*>(event);
      // A drag that carries no local file (text, a web link) is refused.
      if (LocalFiles(drag->mimeData()).empty()) {
        drag->ignore();
      } else {
        drag->acceptProposedAction();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const auto paths = LocalFiles(drop->mimeData());
      if (paths.empty()) {
        drop->ignore();
        return true;
      }
      drop->acceptProposedAction();
      if (*handler_) RunHandler([&] { (*handler_)(paths); });
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}

void DropRouter::Watch(QWidget* widget) {
  widget->setAcceptDrops(true);
  widget->installEventFilter(this);
  if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) {
    area->viewport()->setAcceptDrops(true);
    area->viewport()->installEventFilter(this);
  }
}

}  // namespace platform

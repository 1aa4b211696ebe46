// SPDX-License-Identifier: Apache-2.0
#pragma once
// Files dropped or pasted on the window, and their way to a drop handler.
#include <QObject>
#include <string>
#include <vector>

#include "platform/window/window_services.h"

class QMimeData;
class QWidget;

namespace platform {

// What a paste offers: the files a file manager copied, or else the
// existing files named one a line in the copied text.
std::vector<std::string> PastedFiles(const QMimeData* data);

// Delivers drops to the drop handler of a control or of the window. A widget
// that is not a drop target does not accept drops, so Qt hands a drop over it
// to its parent: in the end the window.
class DropRouter : public QObject {
 public:
  DropRouter(QObject* parent, DropHandler* handler) : QObject(parent), handler_(handler) {}

  bool eventFilter(QObject* watched, QEvent* event) override;

  // Makes `widget` (and, for a scroll area, its viewport) a drop target.
  void Watch(QWidget* widget);

 private:
  DropHandler* handler_;
};

}  // namespace platform

#include <QApplication>

#include "platform/window/qt/qt_widget.h"
#include "support/window_driver.h"

namespace testsupport {

void ResizeInner(platform::Form& form, int width, int height) {
  platform::QtWidget(form)->resize(width, height);
  QApplication::processEvents();
}

void SetShown(platform::Form& form, bool shown) { platform::QtWidget(form)->setVisible(shown); }

void CloseBox(platform::Form& form) { platform::QtWidget(form)->close(); }

}  // namespace testsupport

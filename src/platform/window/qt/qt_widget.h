// SPDX-License-Identifier: Apache-2.0
#pragma once
// The Qt widgets behind the window layer's controls and window, for the Qt
// back end and the tests of it.
#include <QWidget>

#include "platform/window/form.h"

namespace platform {

struct NativeControl {
  QWidget* widget;  // owned by its parent widget
  bool programmed = false;  // a list's selection is being changed by the program
};

inline QWidget* QtWidget(const Control& control) { return control.Native().widget; }
QWidget* QtWidget(const Form& form);

}  // namespace platform

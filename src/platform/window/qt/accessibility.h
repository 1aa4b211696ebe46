// SPDX-License-Identifier: Apache-2.0
#pragma once
// What screen readers see of the window's widgets where Qt's default does
// not fit.
class QString;
class QWidget;

namespace platform {

enum class Presentation { Default, Hidden, ProgressBar, Window };

// Hidden leaves the widget and its children out of what screen readers
// see; Window makes it a frame named by its caption.
void Present(QWidget* widget, Presentation presentation);

// Screen readers see `widget` as a progress bar called `name`, at 0 until
// SetPresentedValue.
void PresentAsProgressBar(QWidget* widget, const QString& name);
// The percentage (0 to 100) a progress bar shows; a change is told.
void SetPresentedValue(QWidget* widget, int percent);

}  // namespace platform

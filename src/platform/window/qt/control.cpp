#include "platform/window/control.h"

#include <QCheckBox>
#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QPushButton>

#include "platform/window/qt/accessibility.h"
#include "platform/window/qt/line_model.h"
#include "platform/window/qt/qt_text.h"
#include "platform/window/qt/qt_widget.h"
#include "platform/run_time_error.h"

namespace platform {

void NativeControlDeleter::operator()(NativeControl* native) const { delete native; }

Control::~Control() = default;

void Control::ApplyGeometry() {
  const PixelSpan x = TwipsToPixels(left_, width_);
  const PixelSpan y = TwipsToPixels(top_, height_);
  native_->widget->setGeometry(x.start, y.start, x.length, y.length);
}

bool Control::Enabled() const { return native_->widget->isEnabled(); }

namespace {
// The control the focus left when it was disabled, and where Qt moved it.
QPointer<QWidget> focus_lent_from, focus_lent_to;
}  // namespace

void Control::SetEnabled(bool enabled) {
  QWidget* widget = native_->widget;
  const bool had_focus = widget->window()->focusWidget() == widget;
  widget->setEnabled(enabled);
  if (!enabled && had_focus) {
    // Qt moves the focus on along the tab order; it comes back when this
    // control is enabled again while the focus is still where it went.
    focus_lent_from = widget;
    focus_lent_to = widget->window()->focusWidget();
  } else if (enabled && focus_lent_from == widget) {
    QWidget* focus = widget->window()->focusWidget();
    if (focus == focus_lent_to || focus == nullptr) widget->setFocus(Qt::OtherFocusReason);
    focus_lent_from = nullptr;
  }
}

void Control::HideFromScreenReaders() { Present(native_->widget, Presentation::Hidden); }

void Control::PresentAsProgressBar(const std::string& name) { platform::PresentAsProgressBar(native_->widget, Q(name)); }

void Control::SetProgressValue(int percent) { SetPresentedValue(native_->widget, percent); }

// Qt tells screen readers of a changed description (DescriptionChanged).
void Control::SetScreenReaderDescription(const std::string& text) {
  native_->widget->setAccessibleDescription(Q(text));
}

void Label::SetCaption(const std::string& caption) {
  design_.caption = caption;
  static_cast<QLabel*>(native_->widget)->setText(ShownCaption(caption));
}

void Label::Heads(Control& control) {
  static_cast<QLabel*>(native_->widget)->setBuddy(QtWidget(control));
  QtWidget(control)->setAccessibleName(ShownCaption(design_.caption));
}

int CheckBox::Value() const {
  switch (static_cast<QCheckBox*>(native_->widget)->checkState()) {
    case Qt::Unchecked: return 0;
    case Qt::Checked: return 1;
    default: return 2;
  }
}

void CheckBox::ShowValue(int value) {
  static constexpr Qt::CheckState kStates[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
  static_cast<QCheckBox*>(native_->widget)->setCheckState(kStates[value]);
}

namespace {
QListView* View(const NativeControl& native) { return static_cast<QListView*>(native.widget); }
LineModel* Lines(const NativeControl& native) { return static_cast<LineModel*>(View(native)->model()); }
}  // namespace

void ListBox::AppendLine(const std::string& text) { Lines(*native_)->Append(text); }
void ListBox::ClearLines() { Lines(*native_)->Clear(); }
int ListBox::ListCount() const { return Lines(*native_)->Count(); }
std::string ListBox::LineText(int index) const { return Lines(*native_)->Line(index); }

int ListBox::ListIndex() const {
  const auto selected = View(*native_)->selectionModel()->selectedIndexes();
  return selected.isEmpty() ? -1 : selected.front().row();
}

void ListBox::ShowListIndex(int index) {
  QListView* view = View(*native_);
  LineModel* lines = Lines(*native_);
  // The view's change of its current line is the user's only when not made here.
  native_->programmed = true;
  // The line made current is scrolled into view.
  if (index == -1) {
    view->clearSelection();
    view->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::ClearAndSelect);
  } else {
    lines->TellView();
    view->selectionModel()->setCurrentIndex(lines->index(index), QItemSelectionModel::ClearAndSelect);
  }
  native_->programmed = false;
}

void ListBox::DropLine(int index) { Lines(*native_)->Remove(index); }

}  // namespace platform

#include "platform/window/control.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "platform/window/qt/accessibility.h"
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
void Control::SetEnabled(bool enabled) { native_->widget->setEnabled(enabled); }

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

void CommandButton::Click() { static_cast<QPushButton*>(native_->widget)->click(); }

int CheckBox::Value() const {
  switch (static_cast<QCheckBox*>(native_->widget)->checkState()) {
    case Qt::Unchecked: return 0;
    case Qt::Checked: return 1;
    default: return 2;
  }
}

void CheckBox::SetValue(int value) {
  static constexpr Qt::CheckState kStates[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
  if (value < 0 || value > 2) throw MakeError(kErrInvalidPropertyValue, design_.name + ".Value");
  // A change of value raises the click event through stateChanged.
  static_cast<QCheckBox*>(native_->widget)->setCheckState(kStates[value]);
}

namespace {
QListWidget* AsList(QWidget* w) { return static_cast<QListWidget*>(w); }
}  // namespace

void ListBox::AddItem(const std::string& text) {
  AsList(native_->widget)->addItem(Q(text));
  new_index_ = AsList(native_->widget)->count() - 1;
}

void ListBox::Clear() {
  AsList(native_->widget)->clear();
  new_index_ = -1;
}

int ListBox::ListCount() const { return AsList(native_->widget)->count(); }

std::string ListBox::List(int index) const {
  const QListWidgetItem* item = AsList(native_->widget)->item(index);
  return item ? item->text().toStdString() : std::string();
}

int ListBox::ListIndex() const {
  const auto selected = AsList(native_->widget)->selectedItems();
  return selected.isEmpty() ? -1 : AsList(native_->widget)->row(selected.front());
}

void ListBox::SetListIndex(int index) {
  QListWidget* list = AsList(native_->widget);
  if (index < -1 || index >= list->count()) throw MakeError(kErrInvalidPropertyValue, design_.name + ".ListIndex");
  if (index == -1) {
    list->clearSelection();
    list->setCurrentRow(-1);
  } else {
    list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
  }
}

void ListBox::RemoveItem(int index) {
  if (index < 0 || index >= ListCount()) throw MakeError(kErrInvalidPropertyArrayIndex, design_.name + ".RemoveItem");
  delete AsList(native_->widget)->takeItem(index);
  new_index_ = -1;
}

void ListBox::SetSelected(int index, bool selected) {
  QListWidgetItem* item = AsList(native_->widget)->item(index);
  if (item == nullptr) throw MakeError(kErrInvalidPropertyArrayIndex, design_.name + ".Selected");
  item->setSelected(selected);
}

}  // namespace platform

#include "platform/window/control.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <stdexcept>

#include "platform/window/accessibility.h"
#include "platform/window/qt/qt_text.h"
#include "platform/run_time_error.h"

namespace platform {

PixelSpan TwipsToPixels(double start_twips, double length_twips) {
  const int start = ToPixels(start_twips);
  const int end = ToPixels(start_twips + length_twips);
  return {start, std::max(0, end - start)};
}

namespace {

const char* KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::PictureBox: return "picture box";
    case ControlKind::Label: return "label";
    case ControlKind::CheckBox: return "check box";
    case ControlKind::CommandButton: return "command button";
    case ControlKind::ListBox: return "list box";
  }
  return "control";
}

}  // namespace

std::string DesignName(const std::string& name, int index) {
  return index >= 0 ? name + "(" + std::to_string(index) + ")" : name;
}

void CheckKind(const Control& control, ControlKind wanted) {
  if (control.Kind() == wanted) return;
  throw std::logic_error("control " + DesignName(control.Name(), control.Index()) + " is a " +
                         KindName(control.Kind()) + ", not a " + KindName(wanted));
}

Control::Control(const ControlSpec& design, Control* container, QWidget* widget)
    : design_(design),
      container_(container),
      widget_(widget),
      left_(design.left),
      top_(design.top),
      width_(design.width),
      height_(design.height) {
  ApplyGeometry();
}

Control::~Control() = default;

void Control::ApplyGeometry() {
  const PixelSpan x = TwipsToPixels(left_, width_);
  const PixelSpan y = TwipsToPixels(top_, height_);
  widget_->setGeometry(x.start, y.start, x.length, y.length);
}

void Control::SetLeft(double twips) {
  left_ = static_cast<float>(twips);
  ApplyGeometry();
}
void Control::SetTop(double twips) {
  top_ = static_cast<float>(twips);
  ApplyGeometry();
}
void Control::SetWidth(double twips) {
  if (twips < 0) throw MakeError(kErrInvalidPropertyValue, design_.name + ".Width");
  width_ = static_cast<float>(twips);
  ApplyGeometry();
}
void Control::SetHeight(double twips) {
  if (twips < 0) throw MakeError(kErrInvalidPropertyValue, design_.name + ".Height");
  height_ = static_cast<float>(twips);
  ApplyGeometry();
}

bool Control::Enabled() const { return widget_->isEnabled(); }
void Control::SetEnabled(bool enabled) { widget_->setEnabled(enabled); }

void Control::HideFromScreenReaders() { Present(widget_, Presentation::Hidden); }

void Control::PresentAsProgressBar(const std::string& name) { platform::PresentAsProgressBar(widget_, Q(name)); }

void Control::SetProgressValue(int percent) { SetPresentedValue(widget_, percent); }

// Qt tells screen readers of a changed description (DescriptionChanged).
void Control::SetScreenReaderDescription(const std::string& text) { widget_->setAccessibleDescription(Q(text)); }

std::string Label::Caption() const { return design_.caption; }
void Label::SetCaption(const std::string& caption) {
  design_.caption = caption;
  static_cast<QLabel*>(widget_)->setText(CaptionDisplayText(caption));
}

void Label::Heads(Control& control) {
  static_cast<QLabel*>(widget_)->setBuddy(control.Widget());
  control.Widget()->setAccessibleName(CaptionDisplayText(design_.caption));
}

std::string CommandButton::Caption() const { return design_.caption; }
void CommandButton::Click() { static_cast<QPushButton*>(widget_)->click(); }

std::string CheckBox::Caption() const { return design_.caption; }

int CheckBox::Value() const {
  switch (static_cast<QCheckBox*>(widget_)->checkState()) {
    case Qt::Unchecked: return 0;
    case Qt::Checked: return 1;
    default: return 2;
  }
}

void CheckBox::SetValue(int value) {
  static constexpr Qt::CheckState kStates[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
  if (value < 0 || value > 2) throw MakeError(kErrInvalidPropertyValue, design_.name + ".Value");
  // A change of value raises the click event through stateChanged.
  static_cast<QCheckBox*>(widget_)->setCheckState(kStates[value]);
}

namespace {
QListWidget* AsList(QWidget* w) { return static_cast<QListWidget*>(w); }
}  // namespace

void ListBox::AddItem(const std::string& text) {
  AsList(widget_)->addItem(Q(text));
  new_index_ = AsList(widget_)->count() - 1;
}

void ListBox::Clear() {
  AsList(widget_)->clear();
  new_index_ = -1;
}

int ListBox::ListCount() const { return AsList(widget_)->count(); }

std::string ListBox::List(int index) const {
  const QListWidgetItem* item = AsList(widget_)->item(index);
  return item ? item->text().toStdString() : std::string();
}

int ListBox::ListIndex() const {
  const auto selected = AsList(widget_)->selectedItems();
  return selected.isEmpty() ? -1 : AsList(widget_)->row(selected.front());
}

void ListBox::SetListIndex(int index) {
  QListWidget* list = AsList(widget_);
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
  delete AsList(widget_)->takeItem(index);
  new_index_ = -1;
}

void ListBox::SetSelected(int index, bool selected) {
  QListWidgetItem* item = AsList(widget_)->item(index);
  if (item == nullptr) throw MakeError(kErrInvalidPropertyArrayIndex, design_.name + ".Selected");
  item->setSelected(selected);
}

}  // namespace platform

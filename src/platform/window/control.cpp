// SPDX-License-Identifier: Apache-2.0
// What every back end's controls share: names, kinds, geometry kept in
// twips, the checks of the values the program sets and the events those
// raise. The back end places the control (ApplyGeometry), shows what it is
// told and reports what the user does.
#include "platform/window/control.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "platform/run_time_error.h"

namespace platform {

int ToPixels(double twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

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

std::string CaptionDisplayText(const std::string& caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != '&') {
      out += caption[i];
    } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
      out += '&';
      ++i;
    }
  }
  return out;
}

std::string ControlName(const std::string& name, int index) {
  return index >= 0 ? name + "(" + std::to_string(index) + ")" : name;
}

void CheckKind(const Control& control, ControlKind wanted) {
  if (control.Kind() == wanted) return;
  throw std::logic_error("control " + ControlName(control.Name(), control.Index()) + " is a " +
                         KindName(control.Kind()) + ", not a " + KindName(wanted));
}

Control::Control(const ControlSpec& design, Control* container, NativeControlPtr native)
    : design_(design),
      container_(container),
      native_(std::move(native)),
      left_(design.left),
      top_(design.top),
      width_(design.width),
      height_(design.height) {
  ApplyGeometry();
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

namespace {

void Raise(const EventHandler& handler) {
  if (handler) RunHandler(handler);
}

}  // namespace

std::string Label::Caption() const { return design_.caption; }
std::string CommandButton::Caption() const { return design_.caption; }
std::string CheckBox::Caption() const { return design_.caption; }

void CommandButton::Click() {
  if (Enabled()) Raise(click_);
}

void CheckBox::SetValue(int value) {
  if (value < 0 || value > 2) throw MakeError(kErrInvalidPropertyValue, design_.name + ".Value");
  if (value == Value()) return;
  ShowValue(value);
  // A change of value raises the click event, as a user's click does.
  Raise(click_);
}

void ListBox::AddItem(const std::string& text) {
  AppendLine(text);
  new_index_ = ListCount() - 1;
}

void ListBox::Clear() {
  ClearLines();
  new_index_ = -1;
}

std::string ListBox::List(int index) const { return index < 0 || index >= ListCount() ? std::string() : LineText(index); }

void ListBox::SetListIndex(int index) {
  if (index < -1 || index >= ListCount()) throw MakeError(kErrInvalidPropertyValue, design_.name + ".ListIndex");
  if (index == ListIndex()) return;
  ShowListIndex(index);
  Raise(click_);
}

void ListBox::SetSelected(int index, bool selected) {
  if (index < 0 || index >= ListCount()) throw MakeError(kErrInvalidPropertyArrayIndex, design_.name + ".Selected");
  if (selected) {
    SetListIndex(index);
  } else if (ListIndex() == index) {
    SetListIndex(-1);
  }
}

void ListBox::RemoveItem(int index) {
  if (index < 0 || index >= ListCount()) throw MakeError(kErrInvalidPropertyArrayIndex, design_.name + ".RemoveItem");
  DropLine(index);
  new_index_ = -1;
}

}  // namespace platform

// SPDX-License-Identifier: Apache-2.0
// What every back end's controls share: names, kinds, and geometry kept in
// twips. The back end places the control (ApplyGeometry) and reads and
// changes what the window system holds.
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

std::string Label::Caption() const { return design_.caption; }
std::string CommandButton::Caption() const { return design_.caption; }
std::string CheckBox::Caption() const { return design_.caption; }

}  // namespace platform

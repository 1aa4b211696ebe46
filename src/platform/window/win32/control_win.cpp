// SPDX-License-Identifier: Apache-2.0
// The controls' common parts as Win32 child windows: geometry in device
// pixels, enabling (with the keyboard focus kept alive), what screen
// readers are told, and the label and check box states.
#include <windows.h>

#include <algorithm>
#include <cmath>

#include "platform/window/win32/win32_window.h"

namespace platform {

void NativeControlDeleter::operator()(NativeControl* native) const {
  // The child window lives on until its form's window is destroyed: it
  // forgets the control and a list gets the system's procedure back.
  if (native->list_proc) SetWindowLongPtrW(native->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(native->list_proc));
  RemovePropW(native->hwnd, L"TorvaneControl");
  if (native->font) DeleteObject(native->font);
  delete native;
}

Control::~Control() = default;

int TwipsToDevice(double twips, UINT dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }
double DeviceTwipsPerPixel(UINT dpi) { return 1440.0 / dpi; }

NativeControl* NativeOf(HWND hwnd) {
  return hwnd ? reinterpret_cast<NativeControl*>(GetPropW(hwnd, L"TorvaneControl")) : nullptr;
}

void Control::ApplyGeometry() {
  const UINT dpi = DpiOf(native_->hwnd);
  const auto span = [dpi](double start, double length) {
    const int a = TwipsToDevice(start, dpi);
    return std::pair<int, int>{a, std::max(0, TwipsToDevice(start + length, dpi) - a)};
  };
  const auto [x, w] = span(left_, width_);
  const auto [y, h] = span(top_, height_);
  SetWindowPos(native_->hwnd, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Control::Enabled() const { return IsWindowEnabled(native_->hwnd) != FALSE; }

void Control::SetEnabled(bool enabled) {
  // Enabling costs a round trip to the window server even when nothing
  // changes (start-up enables Print once per file named).
  if (enabled == Enabled()) return;
  Form::Window* window = FormWindowOf(GetAncestor(native_->hwnd, GA_ROOT));
  const bool had_focus = GetFocus() == native_->hwnd;
  EnableWindow(native_->hwnd, enabled);
  if (window == nullptr) return;
  if (!enabled && had_focus) {
    // A disabled window loses the focus to nobody, and the keyboard would
    // go dead: the focus moves on along the tab order, and comes back when
    // this control is enabled again while the focus is still where it went.
    MoveFocus(*window, native_->hwnd, false);
    window->focus_lent = {native_->hwnd, GetFocus()};
  } else if (enabled && window->focus_lent.from == native_->hwnd) {
    const HWND focus = GetFocus();
    if (focus == window->focus_lent.to || focus == nullptr || focus == window->hwnd) SetFocus(native_->hwnd);
    window->focus_lent = {};
  }
}

void Control::HideFromScreenReaders() { AnnotateHidden(native_->hwnd); }
void Control::PresentAsProgressBar(const std::string& name) { AnnotateProgressBar(native_->hwnd, Wide(name)); }
void Control::SetScreenReaderDescription(const std::string& text) {
  if (text == native_->description) return;
  native_->description = text;
  AnnotateDescription(native_->hwnd, Wide(text));
}
void Control::SetProgressValue(int percent) {
  if (percent == native_->presented_percent) return;
  native_->presented_percent = percent;
  AnnotateValue(native_->hwnd, percent);
}

void Label::SetCaption(const std::string& caption) {
  design_.caption = caption;
  native_->text = Wide(CaptionDisplayText(caption));
  SetWindowTextW(native_->hwnd, native_->text.c_str());
  RepaintLabel(native_->hwnd);
}

void Label::Heads(Control& control) { AnnotateName(control.Native().hwnd, native_->text); }

// The value is kept beside the button, which is not automatic: only
// ShowValue changes its state, and asking the button would cost a message
// per line when thousands of files are listed.
int CheckBox::Value() const { return native_->check; }

void CheckBox::ShowValue(int value) {
  static constexpr WPARAM kCheckStates[] = {BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE};
  native_->check = value;
  SendMessageW(native_->hwnd, BM_SETCHECK, kCheckStates[value], 0);
}

}  // namespace platform

// SPDX-License-Identifier: Apache-2.0
#pragma once
// The window's controls: geometry in twips (1440 to the logical inch, 15 to
// a logical pixel) held as single-precision values, and the properties and
// events the program uses. A control is created by its form (form.h).
#include <memory>
#include <string>

#include "platform/window/control_spec.h"
#include "platform/window/window_services.h"

namespace platform {

// The window system's own object behind a control (a Qt widget, a Win32
// child window), defined by the back end.
struct NativeControl;
struct NativeControlDeleter {
  void operator()(NativeControl* native) const;  // the back end's
};
using NativeControlPtr = std::unique_ptr<NativeControl, NativeControlDeleter>;

inline constexpr double kTwipsPerPixel = 15.0;

// A twips value in logical pixels, rounded.
int ToPixels(double twips);

// The pixel span covered by a twips span: edges are rounded, so adjacent
// controls meet without gaps.
struct PixelSpan {
  int start;
  int length;
};
PixelSpan TwipsToPixels(double start_twips, double length_twips);

// A label caption marks an access key with '&' and writes a literal one as
// "&&"; the label shows neither marker.
std::string CaptionDisplayText(const std::string& caption);

// A control's name as messages about it give it: "Label1(2)" for an
// element of a control array (index 0 or above), else the bare name.
std::string ControlName(const std::string& name, int index);

class Control {
 public:
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind Kind() const { return design_.kind; }
  const std::string& Name() const { return design_.name; }
  int Index() const { return design_.index; }
  int TabIndex() const { return design_.tab_index; }
  bool DropTarget() const { return design_.drop_target; }

  // Geometry in twips, relative to the container's inner area. Values are
  // kept as single precision, exactly as set.
  float Left() const { return left_; }
  float Top() const { return top_; }
  float Width() const { return width_; }
  float Height() const { return height_; }
  void SetLeft(double twips);
  void SetTop(double twips);
  void SetWidth(double twips);
  void SetHeight(double twips);

  bool Enabled() const;
  void SetEnabled(bool enabled);

  // Raised with the dropped files' paths; only for drop targets.
  void OnDrop(DropHandler handler) { drop_handler_ = std::move(handler); }

  // Screen readers: leaves this control, and whatever lies inside it, out of
  // what they see.
  void HideFromScreenReaders();
  // Screen readers see this control as a progress bar called `name`, with
  // the value last given to SetProgressValue (0 to 100).
  void PresentAsProgressBar(const std::string& name);
  void SetProgressValue(int percent);
  // What screen readers say of this control besides its name and value; a
  // change is told to them as it happens, a repeat of the same text is not.
  void SetScreenReaderDescription(const std::string& text);

  // For the back end and its tests.
  NativeControl& Native() const { return *native_; }

 protected:
  Control(const ControlSpec& design, Control* container, NativeControlPtr native);
  void ApplyGeometry();

  ControlSpec design_;
  Control* container_;
  NativeControlPtr native_;
  float left_, top_, width_, height_;
  DropHandler drop_handler_;

  friend class ControlBuilder;
};

class Label : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::Label;
  std::string Caption() const;
  void SetCaption(const std::string& caption);
  // Makes this label the heading of `control`: screen readers name the
  // control after the label's text.
  void Heads(Control& control);

 private:
  using Control::Control;
  friend class ControlBuilder;
};

class CommandButton : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::CommandButton;
  std::string Caption() const;
  void OnClick(EventHandler handler) { click_ = std::move(handler); }
  void Click();  // as the user's click: raises the click event unless disabled

 private:
  using Control::Control;
  EventHandler click_;
  friend class ControlBuilder;
};

// Value 0 clear, 1 ticked, 2 greyed. A user's click toggles between clear
// and ticked; setting a different value raises the click event as a user's
// click does.
class CheckBox : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::CheckBox;
  std::string Caption() const;
  int Value() const;
  void SetValue(int value);  // any other value: Invalid property value
  void OnClick(EventHandler handler) { click_ = std::move(handler); }

 private:
  using Control::Control;
  // The back end's: shows `value` (0 to 2), raising nothing.
  void ShowValue(int value);
  EventHandler click_;
  friend class ControlBuilder;
};

// An unsorted single-selection list. A change of the selection by the
// program (SetListIndex, SetSelected) raises the click event, as a user's
// does; the same selection again raises nothing.
class ListBox : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::ListBox;
  void AddItem(const std::string& text);
  void Clear();
  int ListCount() const;
  std::string List(int index) const;  // "" outside the list
  int ListIndex() const;               // -1: none selected
  void SetListIndex(int index);        // -1 clears; outside: Invalid property value
  int NewIndex() const { return new_index_; }
  // Selecting a line makes it the list's index; deselecting the selected
  // line leaves none selected, and any other line nothing. Outside:
  // Invalid property array index.
  void SetSelected(int index, bool selected);
  void RemoveItem(int index);  // outside: Invalid property array index
  void OnClick(EventHandler handler) { click_ = std::move(handler); }
  // Raised by Delete or Backspace while the list has the keyboard focus.
  void OnDeleteKey(EventHandler handler) { delete_key_ = std::move(handler); }
  void PressDeleteKey() {
    if (delete_key_) RunHandler(delete_key_);
  }

 private:
  using Control::Control;
  // The back end's, each raising nothing: the lines kept and shown, the
  // text of line `index` (within the list), showing `index` (-1 to the
  // count) as the selected line, and removing line `index`.
  void AppendLine(const std::string& text);
  void ClearLines();
  std::string LineText(int index) const;
  void ShowListIndex(int index);
  void DropLine(int index);
  int new_index_ = -1;
  EventHandler click_;
  EventHandler delete_key_;
  friend class ControlBuilder;
};

class PictureBox : public Control {
 public:
  static constexpr ControlKind kKind = ControlKind::PictureBox;

 private:
  using Control::Control;
  friend class ControlBuilder;
};

// Throws std::logic_error naming the control and both kinds unless
// `control` is of kind `wanted`: binding a control as another kind is a
// programming error.
void CheckKind(const Control& control, ControlKind wanted);

// `control` as the control class T, its kind checked.
template <class T>
T& As(Control& control) {
  CheckKind(control, T::kKind);
  return static_cast<T&>(control);
}

}  // namespace platform

// SPDX-License-Identifier: Apache-2.0
#pragma once
// The Win32 back end's own parts: the child window behind each control, the
// top-level window, and the helpers its files share.
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/window/form.h"

namespace platform {

inline constexpr wchar_t kFormClass[] = L"KelPrnPrint";
inline constexpr wchar_t kLabelClass[] = L"TorvaneLabel";
inline constexpr wchar_t kPictureClass[] = L"TorvanePicture";

struct NativeControl {
  HWND hwnd = nullptr;
  Control* control = nullptr;
  HFONT font = nullptr;  // owned; null: the window's font
  // What labels and picture boxes draw themselves.
  std::wstring text;
  COLORREF fore = 0;
  bool has_fore = false;
  COLORREF back = 0;
  bool has_back = false;
  bool transparent = false;
  bool border = false;
  TextAlign align = TextAlign::Left;
  int check = 0;               // a check box's value
  int presented_percent = -1;  // told to screen readers
  std::string description;     // told to screen readers
  // A list's lines. The list box holds no data of its own (owner data): it
  // has their count and draws each visible line from here, so that tens of
  // thousands of lines are added in milliseconds and take little memory.
  std::string lines;                 // every line's text, one after another
  std::vector<std::uint32_t> ends;   // where each line ends in `lines`
  std::size_t counted = 0;           // the count the list box was last given
  bool filling = false;              // drawing off while lines are added
  WNDPROC list_proc = nullptr;       // the system's list box procedure
  std::string_view Line(std::size_t i) const {
    const std::uint32_t start = i == 0 ? 0 : ends[i - 1];
    return std::string_view(lines).substr(start, ends[i] - start);
  }
};

class Form::Window {
 public:
  HWND hwnd = nullptr;
  Form* form = nullptr;
  UINT dpi = 96;
  FontSpec font_spec;
  HFONT font = nullptr;  // owned
  WindowState pending_state = WindowState::Normal;
  // The least outer size a drag of the frame may give, in twips.
  double min_width = 0, min_height = 0;
  // The control the focus left when it was disabled, and where it went.
  struct FocusLent {
    HWND from = nullptr;
    HWND to = nullptr;
  } focus_lent;

  // The form's events, raised by the window procedures.
  void RaiseResize() const {
    if (form->resize_) RunHandler(form->resize_);
  }
  void RaiseQueryUnload() const {
    if (form->query_unload_) RunHandler(form->query_unload_);
  }
  const DropHandler& Drop() const { return form->drop_; }
  const DropHandler& KeyboardFiles() const { return form->keyboard_files_; }
};

// The session ends: the window closes as CloseOnSignals was told to
// (nothing happens before it is told).
void CloseForSessionEnd();

// Registers the window classes once; the labels' and picture boxes'.
void RegisterClasses();
void RegisterChildClasses();
// The DPI `hwnd` is shown at (96 on systems that do not tell).
UINT DpiOf(HWND hwnd);
// Twips at `dpi` in pixels, rounded; and back.
int TwipsToDevice(double twips, UINT dpi);
double DeviceTwipsPerPixel(UINT dpi);
// The font asked for at `dpi`, in an installed face of the same kind.
HFONT CreateDesignFont(const FontSpec& design, UINT dpi);
// The control a child window stands for, or null.
NativeControl* NativeOf(HWND hwnd);
// The Form::Window of a top-level window of class KelPrnPrint, or null.
Form::Window* FormWindowOf(HWND hwnd);

// The window procedures that raise the controls' events.
void RaiseCommand(HWND child, WORD code);
void DropOn(Form::Window& window, HDROP drop);
// Draws a list's line for WM_DRAWITEM; false when `item` is not a list's.
bool DrawListLine(const DRAWITEMSTRUCT& item);
// The procedure that list boxes are given, over the system's.
LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
// Repaints a label and the labels drawn over it.
void RepaintLabel(HWND hwnd);
// Moves the focus from `from` to the next control along the tab order
// (the previous one, `backwards`) that can take it now.
void MoveFocus(Form::Window& window, HWND from, bool backwards);
// The paths a drop or a copy in Explorer carries, in order.
std::vector<std::string> DroppedFiles(HDROP drop);
void FilesFromKeyboard(Form::Window& window, bool paste);
// Re-fonts and re-places every control for the window's DPI now.
void ApplyDpi(Form::Window& window);
// Tab and Shift+Tab along the form's tab order; Return presses the focused
// button. True when `message` was taken.
bool TranslateFormKey(const MSG& message);

std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);

// Screen readers' annotations of a child window (MSAA dynamic annotation).
void AnnotateHidden(HWND hwnd);
void AnnotateName(HWND hwnd, const std::wstring& name);
void AnnotateProgressBar(HWND hwnd, const std::wstring& name);
void AnnotateValue(HWND hwnd, int percent);
void AnnotateDescription(HWND hwnd, const std::wstring& description);

// Counts a modal box open while it lives.
class ModalScope {
 public:
  ModalScope();
  ~ModalScope();
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
};

}  // namespace platform

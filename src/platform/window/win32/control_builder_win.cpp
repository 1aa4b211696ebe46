// SPDX-License-Identifier: Apache-2.0
// Makes the child window of each kind of control, fits it to the window's
// DPI, and reports what the user does to it (commands and drops).
#include <windows.h>

#include <memory>

#include "platform/run_time_error.h"
#include "platform/window/win32/win32_window.h"

namespace platform {

// Builds the child window of each kind; reaches the controls' private parts.
class ControlBuilder {
 public:
  static std::unique_ptr<Control> Build(const ControlSpec& design, Control* container, HWND parent) {
    NativeControlPtr native(new NativeControl);
    const wchar_t* window_class = kLabelClass;
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    DWORD ex_style = 0;
    switch (design.kind) {
      case ControlKind::PictureBox:
        window_class = kPictureClass;
        style |= WS_CLIPCHILDREN;
        break;
      case ControlKind::Label:
        break;
      case ControlKind::CheckBox:
        window_class = L"BUTTON";
        style |= BS_3STATE | WS_TABSTOP;
        break;
      case ControlKind::CommandButton:
        window_class = L"BUTTON";
        style |= BS_PUSHBUTTON | WS_TABSTOP;
        break;
      case ControlKind::ListBox:
        window_class = L"LISTBOX";
        // Owner data: the list box has the lines' count; the lines are kept
        // beside it and drawn by its parent (DrawListLine).
        style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_NODATA | LBS_OWNERDRAWFIXED | WS_VSCROLL | WS_TABSTOP;
        ex_style = WS_EX_CLIENTEDGE;
        break;
    }
    native->text = Wide(CaptionDisplayText(design.caption));
    if (design.fore_color) native->fore = RGB(design.fore_color->r, design.fore_color->g, design.fore_color->b);
    native->has_fore = design.fore_color.has_value();
    if (design.back_color) native->back = RGB(design.back_color->r, design.back_color->g, design.back_color->b);
    native->has_back = design.back_color.has_value();
    native->transparent = design.transparent;
    native->border = design.border;
    native->align = design.align;
    // Buttons take the caption with its '&' marker and underline their
    // access key; labels draw the caption without it themselves.
    const std::wstring title = design.kind == ControlKind::CheckBox || design.kind == ControlKind::CommandButton
                                   ? Wide(design.caption)
                                   : native->text;
    native->hwnd = CreateWindowExW(ex_style, window_class, title.c_str(), style, 0, 0, 0, 0, parent, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    if (native->hwnd == nullptr) throw MakeError(kErrInternal, "the control " + design.name + " could not be made");
    NativeControl* raw = native.get();
    SetPropW(raw->hwnd, L"TorvaneControl", raw);
    if (design.kind == ControlKind::ListBox) {
      raw->list_proc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(raw->hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc)));
    }
    std::unique_ptr<Control> control = Make(design, container, std::move(native));
    raw->control = control.get();
    if (design.kind == ControlKind::CheckBox) static_cast<CheckBox&>(*control).ShowValue(design.value % 3);
    EnableWindow(raw->hwnd, design.enabled);
    return control;
  }

  // Applies the font for the window's DPI and the geometry in twips.
  static void Refit(Control& control, const Form::Window& window) {
    NativeControl& native = *control.native_;
    if (control.design_.font) {
      if (native.font) DeleteObject(native.font);
      native.font = CreateDesignFont(*control.design_.font, window.dpi);
    }
    const HFONT font = native.font ? native.font : window.font;
    SendMessageW(native.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    // An owner-drawn list keeps its line height through a change of font:
    // its lines are as high as the font's, as a list drawing them itself has.
    if (control.Kind() == ControlKind::ListBox) {
      HDC dc = GetDC(native.hwnd);
      const HGDIOBJ old_font = SelectObject(dc, font);
      TEXTMETRICW metrics{};
      GetTextMetricsW(dc, &metrics);
      SelectObject(dc, old_font);
      ReleaseDC(native.hwnd, dc);
      SendMessageW(native.hwnd, LB_SETITEMHEIGHT, 0, MAKELPARAM(metrics.tmHeight, 0));
    }
    control.ApplyGeometry();
  }

  // A click, a tick or a change of selection by the user.
  static void Command(Control& control, WORD code) {
    switch (control.Kind()) {
      case ControlKind::CommandButton: {
        auto& button = static_cast<CommandButton&>(control);
        if (code == BN_CLICKED && button.click_) RunHandler(button.click_);
        break;
      }
      case ControlKind::CheckBox:
        if (code == BN_CLICKED) {
          auto& box = static_cast<CheckBox&>(control);
          RunHandler([&box] { box.SetValue(box.Value() == 0 ? 1 : 0); });
        }
        break;
      case ControlKind::ListBox: {
        auto& list = static_cast<ListBox&>(control);
        if (code == LBN_SELCHANGE && list.click_) RunHandler(list.click_);
        break;
      }
      default:
        break;
    }
  }

  static const DropHandler& DropHandlerOf(const Control& control) { return control.drop_handler_; }

 private:
  static std::unique_ptr<Control> Make(const ControlSpec& design, Control* container, NativeControlPtr native) {
    switch (design.kind) {
      case ControlKind::PictureBox: return std::unique_ptr<Control>(new PictureBox(design, container, std::move(native)));
      case ControlKind::Label: return std::unique_ptr<Control>(new Label(design, container, std::move(native)));
      case ControlKind::CheckBox: return std::unique_ptr<Control>(new CheckBox(design, container, std::move(native)));
      case ControlKind::CommandButton:
        return std::unique_ptr<Control>(new CommandButton(design, container, std::move(native)));
      case ControlKind::ListBox: return std::unique_ptr<Control>(new ListBox(design, container, std::move(native)));
    }
    return nullptr;
  }
};

Control& Form::Create(const ControlSpec& design) {
  Control* container = design.container >= 0 ? order_.at(static_cast<std::size_t>(design.container)) : nullptr;
  HWND parent = container ? container->Native().hwnd : window_->hwnd;
  std::unique_ptr<Control> control = ControlBuilder::Build(design, container, parent);
  ControlBuilder::Refit(*control, *window_);
  order_.push_back(control.get());
  controls_.push_back(std::move(control));
  return *order_.back();
}

void ApplyDpi(Form::Window& window) {
  if (window.font) DeleteObject(window.font);
  window.font = CreateDesignFont(window.font_spec, window.dpi);
  for (Control* control : window.form->Controls()) ControlBuilder::Refit(*control, window);
}

void RaiseCommand(HWND child, WORD code) {
  if (NativeControl* native = NativeOf(child)) ControlBuilder::Command(*native->control, code);
}

void DropOn(Form::Window& window, HDROP drop) {
  const std::vector<std::string> paths = DroppedFiles(drop);
  // The drop goes to the drop target under the pointer, else to the window.
  POINT point;
  DragQueryPoint(drop, &point);
  DragFinish(drop);
  const DropHandler* handler = &window.Drop();
  for (HWND at = window.hwnd;;) {
    HWND child = ChildWindowFromPointEx(at, point, CWP_SKIPINVISIBLE);
    if (child == nullptr || child == at) break;
    MapWindowPoints(at, child, &point, 1);
    at = child;
    NativeControl* native = NativeOf(child);
    if (native && native->control->DropTarget()) handler = &ControlBuilder::DropHandlerOf(*native->control);
  }
  if (paths.empty() || !*handler) return;
  RunHandler([&] { (*handler)(paths); });
}

}  // namespace platform

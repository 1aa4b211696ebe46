// SPDX-License-Identifier: Apache-2.0
// The controls as Win32 child windows: BUTTON for command buttons and check
// boxes, LISTBOX for lists, and two classes of this program's own for
// labels and picture boxes, which draw their captions and colours
// themselves.
#include <windows.h>

#include <cmath>
#include <memory>

#include "platform/run_time_error.h"
#include "platform/window/win32/win32_window.h"

namespace platform {

void NativeControlDeleter::operator()(NativeControl* native) const {
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
void Control::SetEnabled(bool enabled) { EnableWindow(native_->hwnd, enabled); }

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

namespace {

constexpr WPARAM kCheckStates[] = {BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE};

// Repaints a label and the labels drawn over it.
void RepaintLabel(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, FALSE);
  RECT mine;
  GetWindowRect(hwnd, &mine);
  for (HWND above = GetWindow(hwnd, GW_HWNDPREV); above != nullptr; above = GetWindow(above, GW_HWNDPREV)) {
    RECT theirs, overlap;
    GetWindowRect(above, &theirs);
    if (IntersectRect(&overlap, &mine, &theirs)) InvalidateRect(above, nullptr, FALSE);
  }
}

}  // namespace

void Label::SetCaption(const std::string& caption) {
  design_.caption = caption;
  native_->text = Wide(CaptionDisplayText(caption));
  SetWindowTextW(native_->hwnd, native_->text.c_str());
  RepaintLabel(native_->hwnd);
}

void Label::Heads(Control& control) { AnnotateName(control.Native().hwnd, native_->text); }

void CommandButton::Click() {
  if (Enabled() && click_) RunHandler(click_);
}

int CheckBox::Value() const {
  switch (SendMessageW(native_->hwnd, BM_GETCHECK, 0, 0)) {
    case BST_UNCHECKED: return 0;
    case BST_CHECKED: return 1;
    default: return 2;
  }
}

void CheckBox::SetValue(int value) {
  if (value < 0 || value > 2) throw MakeError(kErrInvalidPropertyValue, design_.name + ".Value");
  if (value == Value()) return;
  SendMessageW(native_->hwnd, BM_SETCHECK, kCheckStates[value], 0);
  // A change of value raises the click event, as a user's click does.
  if (click_) RunHandler(click_);
}

void ListBox::AddItem(const std::string& text) {
  const LRESULT index = SendMessageW(native_->hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
  if (index < 0) throw MakeError(kErrOutOfMemory);
  new_index_ = static_cast<int>(index);
}

void ListBox::Clear() {
  SendMessageW(native_->hwnd, LB_RESETCONTENT, 0, 0);
  new_index_ = -1;
}

int ListBox::ListCount() const { return static_cast<int>(SendMessageW(native_->hwnd, LB_GETCOUNT, 0, 0)); }

std::string ListBox::List(int index) const {
  const LRESULT length = SendMessageW(native_->hwnd, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (index < 0 || length == LB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(native_->hwnd, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return Narrow(text);
}

int ListBox::ListIndex() const {
  const LRESULT selected = SendMessageW(native_->hwnd, LB_GETCURSEL, 0, 0);
  return selected == LB_ERR ? -1 : static_cast<int>(selected);
}

void ListBox::SetListIndex(int index) {
  if (index < -1 || index >= ListCount()) throw MakeError(kErrInvalidPropertyValue, design_.name + ".ListIndex");
  if (index == ListIndex()) return;
  SendMessageW(native_->hwnd, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  if (click_) RunHandler(click_);
}

void ListBox::RemoveItem(int index) {
  if (index < 0 || index >= ListCount()) throw MakeError(kErrInvalidPropertyArrayIndex, design_.name + ".RemoveItem");
  SendMessageW(native_->hwnd, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
  new_index_ = -1;
}

void ListBox::SetSelected(int index, bool selected) {
  if (index < 0 || index >= ListCount()) throw MakeError(kErrInvalidPropertyArrayIndex, design_.name + ".Selected");
  if (selected) {
    SetListIndex(index);
  } else if (ListIndex() == index) {
    SendMessageW(native_->hwnd, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  }
}

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
        style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP;
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
    // Buttons show '&' as an access key marker, as the design means it.
    const std::wstring title = design.kind == ControlKind::CheckBox || design.kind == ControlKind::CommandButton
                                   ? Wide(design.caption)
                                   : native->text;
    native->hwnd = CreateWindowExW(ex_style, window_class, title.c_str(), style, 0, 0, 0, 0, parent, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    if (native->hwnd == nullptr) throw MakeError(kErrInternal, "the control " + design.name + " could not be made");
    NativeControl* raw = native.get();
    SetPropW(raw->hwnd, L"TorvaneControl", raw);
    std::unique_ptr<Control> control = Make(design, container, std::move(native));
    raw->control = control.get();
    if (design.kind == ControlKind::CheckBox) SendMessageW(raw->hwnd, BM_SETCHECK, kCheckStates[design.value % 3], 0);
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
    SendMessageW(native.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(native.font ? native.font : window.font), TRUE);
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

namespace {

// What lies under a label: its container's colour.
COLORREF ContainerColour(HWND label) {
  NativeControl* container = NativeOf(GetParent(label));
  return container && container->has_back ? container->back : GetSysColor(COLOR_BTNFACE);
}

// Draws a label's own parts within `area`: its background unless it is
// transparent, its border and its caption.
void DrawLabel(HDC dc, const NativeControl& label, RECT area) {
  if (!label.transparent) {
    SetDCBrushColor(dc, label.has_back ? label.back : GetSysColor(COLOR_BTNFACE));
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
  if (label.border) {
    SetDCBrushColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
  HFONT font = label.font ? label.font : reinterpret_cast<HFONT>(SendMessageW(label.hwnd, WM_GETFONT, 0, 0));
  const HGDIOBJ old_font = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, label.has_fore ? label.fore : GetSysColor(COLOR_WINDOWTEXT));
  DrawTextW(dc, label.text.c_str(), static_cast<int>(label.text.size()), &area,
            DT_NOPREFIX | DT_SINGLELINE | DT_TOP | (label.align == TextAlign::Center ? DT_CENTER : DT_LEFT));
  SelectObject(dc, old_font);
}

// A transparent label shows the labels below it through: it draws, under
// its own caption, the container's colour and then each label below it,
// lowest first. Only labels lie below labels (see FinishCreation).
void PaintLabel(HWND hwnd, HDC dc) {
  const NativeControl* label = NativeOf(hwnd);
  RECT area;
  GetClientRect(hwnd, &area);
  if (label == nullptr) return;
  if (label->transparent) {
    SetDCBrushColor(dc, ContainerColour(hwnd));
    FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    std::vector<HWND> below;
    for (HWND next = GetWindow(hwnd, GW_HWNDNEXT); next != nullptr; next = GetWindow(next, GW_HWNDNEXT)) {
      below.push_back(next);
    }
    RECT mine;
    GetWindowRect(hwnd, &mine);
    for (auto it = below.rbegin(); it != below.rend(); ++it) {
      const NativeControl* other = NativeOf(*it);
      RECT theirs, overlap;
      GetWindowRect(*it, &theirs);
      if (other == nullptr || other->control->Kind() != ControlKind::Label || !IsWindowVisible(*it) ||
          !IntersectRect(&overlap, &mine, &theirs)) {
        continue;
      }
      const RECT shifted{theirs.left - mine.left, theirs.top - mine.top, theirs.right - mine.left,
                         theirs.bottom - mine.top};
      DrawLabel(dc, *other, shifted);
    }
  }
  DrawLabel(dc, *label, area);
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      PaintLabel(hwnd, dc);
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_SETFONT:
      SetPropW(hwnd, L"TorvaneFont", reinterpret_cast<HANDLE>(wparam));
      if (LOWORD(lparam)) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(GetPropW(hwnd, L"TorvaneFont"));
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_NCDESTROY:
      RemovePropW(hwnd, L"TorvaneFont");
      RemovePropW(hwnd, L"TorvaneControl");
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

LRESULT CALLBACK PictureProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT area;
      GetClientRect(hwnd, &area);
      const NativeControl* picture = NativeOf(hwnd);
      HDC dc = reinterpret_cast<HDC>(wparam);
      SetDCBrushColor(dc, picture && picture->has_back ? picture->back : GetSysColor(COLOR_BTNFACE));
      FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
      return 1;
    }
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_NCDESTROY:
      RemovePropW(hwnd, L"TorvaneControl");
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

void RegisterChildClasses() {
  WNDCLASSEXW label{};
  label.cbSize = sizeof label;
  label.lpfnWndProc = LabelProc;
  label.hInstance = GetModuleHandleW(nullptr);
  label.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  label.lpszClassName = kLabelClass;
  RegisterClassExW(&label);
  WNDCLASSEXW picture = label;
  picture.lpfnWndProc = PictureProc;
  picture.lpszClassName = kPictureClass;
  RegisterClassExW(&picture);
}

}  // namespace platform

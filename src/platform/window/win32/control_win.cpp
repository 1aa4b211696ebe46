// SPDX-License-Identifier: Apache-2.0
// The controls as Win32 child windows: BUTTON for command buttons and check
// boxes, LISTBOX for lists, and two classes of this program's own for
// labels and picture boxes, which draw their captions and colours
// themselves.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/run_time_error.h"
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
  if (enabled != Enabled()) EnableWindow(native_->hwnd, enabled);
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

// The value is kept beside the button, which is not automatic: only SetValue
// changes its state, and asking the button would cost a message per line
// when thousands of files are listed.
int CheckBox::Value() const { return native_->check; }

void CheckBox::SetValue(int value) {
  if (value < 0 || value > 2) throw MakeError(kErrInvalidPropertyValue, design_.name + ".Value");
  if (value == Value()) return;
  native_->check = value;
  SendMessageW(native_->hwnd, BM_SETCHECK, kCheckStates[value], 0);
  // A change of value raises the click event, as a user's click does.
  if (click_) RunHandler(click_);
}

namespace {

// Posted to a list when a burst of lines has been added to it.
constexpr UINT kListFilledMessage = WM_APP + 1;

// Gives the list box the count of the lines kept beside it.
void Count(NativeControl& list) {
  if (list.counted == list.ends.size()) return;
  list.counted = list.ends.size();
  SendMessageW(list.hwnd, LB_SETCOUNT, list.counted, 0);
}

// A burst of lines (a drop of thousands of files) is added with the list's
// drawing off; its count is set and it is drawn once, when the event loop
// next turns or when the selection needs the count.
void StartFilling(NativeControl& list) {
  if (list.filling) return;
  list.filling = true;
  SendMessageW(list.hwnd, WM_SETREDRAW, FALSE, 0);
  PostMessageW(list.hwnd, kListFilledMessage, 0, 0);
}

// The list box's own procedure, which answers for its text from the lines
// kept beside it: screen readers read the lines through LB_GETTEXT.
LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  NativeControl* list = NativeOf(hwnd);
  switch (message) {
    case kListFilledMessage:
      Count(*list);
      list->filling = false;
      SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case LB_GETTEXTLEN:
    case LB_GETTEXT: {
      if (wparam >= list->ends.size()) return LB_ERR;
      const std::wstring text = Wide(std::string(list->Line(wparam)));
      if (message == LB_GETTEXT) std::copy(text.c_str(), text.c_str() + text.size() + 1, reinterpret_cast<wchar_t*>(lparam));
      return static_cast<LRESULT>(text.size());
    }
    case WM_CHAR: {
      // A typed character selects the next line that begins with it, as in
      // a list that holds its strings.
      const std::size_t count = list->ends.size();
      if (wparam < L' ' || count == 0) break;
      const auto from = static_cast<std::size_t>(SendMessageW(hwnd, LB_GETCURSEL, 0, 0) + 1);  // none: from 0
      const auto upper = [](wchar_t c) {
        CharUpperBuffW(&c, 1);
        return c;
      };
      for (std::size_t k = 0; k < count; ++k) {
        const std::size_t i = (from + k) % count;
        const std::wstring start = Wide(std::string(list->Line(i).substr(0, 4)));
        if (start.empty() || upper(start[0]) != upper(static_cast<wchar_t>(wparam))) continue;
        Count(*list);
        SendMessageW(hwnd, LB_SETCURSEL, i, 0);
        SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(hwnd));
        break;
      }
      return 0;
    }
    default:
      break;
  }
  return CallWindowProcW(list->list_proc, hwnd, message, wparam, lparam);
}

}  // namespace

bool DrawListLine(const DRAWITEMSTRUCT& item) {
  const NativeControl* list = NativeOf(item.hwndItem);
  if (item.CtlType != ODT_LISTBOX || list == nullptr) return false;
  RECT area = item.rcItem;
  // A change of focus alone toggles the focus frame; an empty list gets it too.
  if (item.itemAction != ODA_FOCUS && item.itemID < list->ends.size()) {
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const std::wstring text = Wide(std::string(list->Line(item.itemID)));
    HDC dc = item.hDC;
    const HGDIOBJ old_font = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
    SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    SetTextColor(dc, GetSysColor((item.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT
                                 : selected                       ? COLOR_HIGHLIGHTTEXT
                                                                  : COLOR_WINDOWTEXT));
    ExtTextOutW(dc, area.left + 1, area.top, ETO_OPAQUE | ETO_CLIPPED, &area, text.c_str(),
                static_cast<UINT>(text.size()), nullptr);
    SelectObject(dc, old_font);
  }
  if ((item.itemAction == ODA_FOCUS) || (item.itemState & ODS_FOCUS)) DrawFocusRect(item.hDC, &area);
  return true;
}

void ListBox::AddItem(const std::string& text) {
  NativeControl& list = *native_;
  StartFilling(list);
  list.lines += text;
  list.ends.push_back(static_cast<std::uint32_t>(list.lines.size()));
  new_index_ = ListCount() - 1;
}

void ListBox::Clear() {
  SendMessageW(native_->hwnd, LB_RESETCONTENT, 0, 0);
  native_->lines.clear();
  native_->ends.clear();
  native_->counted = 0;
  new_index_ = -1;
}

int ListBox::ListCount() const { return static_cast<int>(native_->ends.size()); }

std::string ListBox::List(int index) const {
  if (index < 0 || index >= ListCount()) return {};
  return std::string(native_->Line(static_cast<std::size_t>(index)));
}

int ListBox::ListIndex() const {
  const LRESULT selected = SendMessageW(native_->hwnd, LB_GETCURSEL, 0, 0);
  return selected == LB_ERR ? -1 : static_cast<int>(selected);
}

void ListBox::SetListIndex(int index) {
  if (index < -1 || index >= ListCount()) throw MakeError(kErrInvalidPropertyValue, design_.name + ".ListIndex");
  if (index == ListIndex()) return;
  Count(*native_);
  SendMessageW(native_->hwnd, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  if (click_) RunHandler(click_);
}

void ListBox::RemoveItem(int index) {
  if (index < 0 || index >= ListCount()) throw MakeError(kErrInvalidPropertyArrayIndex, design_.name + ".RemoveItem");
  NativeControl& list = *native_;
  Count(list);
  const auto i = static_cast<std::size_t>(index);
  const std::uint32_t start = i == 0 ? 0 : list.ends[i - 1], length = list.ends[i] - start;
  list.lines.erase(start, length);
  list.ends.erase(list.ends.begin() + index);
  for (auto it = list.ends.begin() + index; it != list.ends.end(); ++it) *it -= length;
  SendMessageW(list.hwnd, LB_DELETESTRING, i, 0);
  list.counted = list.ends.size();
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
    // Buttons show '&' as an access key marker, as the design means it.
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
    if (design.kind == ControlKind::CheckBox) {
      raw->check = design.value % 3;
      SendMessageW(raw->hwnd, BM_SETCHECK, kCheckStates[raw->check], 0);
    }
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
    case WM_DRAWITEM:
      if (DrawListLine(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam))) return TRUE;
      break;
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

// SPDX-License-Identifier: Apache-2.0
// The list box: an owner-data LISTBOX that holds only the count of its
// lines, their text kept beside it in one compact store and drawn by its
// parent, with type-ahead and the text screen readers ask for.
#include <windows.h>

#include <algorithm>

#include "platform/window/win32/win32_window.h"

namespace platform {
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

// A typed character selects the next line that begins with it, as in a
// list that holds its strings; the selection is the user's.
void TypeAhead(HWND hwnd, NativeControl& list, wchar_t typed) {
  const std::size_t count = list.ends.size();
  const auto from = static_cast<std::size_t>(SendMessageW(hwnd, LB_GETCURSEL, 0, 0) + 1);  // none: from 0
  const auto upper = [](wchar_t c) {
    CharUpperBuffW(&c, 1);
    return c;
  };
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t i = (from + k) % count;
    const std::wstring start = Wide(std::string(list.Line(i).substr(0, 4)));
    if (start.empty() || upper(start[0]) != upper(typed)) continue;
    Count(list);
    SendMessageW(hwnd, LB_SETCURSEL, i, 0);
    SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(hwnd));
    return;
  }
}

}  // namespace

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
    case WM_CHAR:
      if (wparam < L' ' || list->ends.empty()) break;
      TypeAhead(hwnd, *list, static_cast<wchar_t>(wparam));
      return 0;
    default:
      break;
  }
  return CallWindowProcW(list->list_proc, hwnd, message, wparam, lparam);
}

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

void ListBox::AppendLine(const std::string& text) {
  NativeControl& list = *native_;
  StartFilling(list);
  list.lines += text;
  list.ends.push_back(static_cast<std::uint32_t>(list.lines.size()));
}

void ListBox::ClearLines() {
  SendMessageW(native_->hwnd, LB_RESETCONTENT, 0, 0);
  native_->lines.clear();
  native_->ends.clear();
  native_->counted = 0;
}

int ListBox::ListCount() const { return static_cast<int>(native_->ends.size()); }

std::string ListBox::LineText(int index) const { return std::string(native_->Line(static_cast<std::size_t>(index))); }

int ListBox::ListIndex() const {
  const LRESULT selected = SendMessageW(native_->hwnd, LB_GETCURSEL, 0, 0);
  return selected == LB_ERR ? -1 : static_cast<int>(selected);
}

void ListBox::ShowListIndex(int index) {
  Count(*native_);
  SendMessageW(native_->hwnd, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void ListBox::DropLine(int index) {
  NativeControl& list = *native_;
  Count(list);
  const auto i = static_cast<std::size_t>(index);
  const std::uint32_t start = i == 0 ? 0 : list.ends[i - 1], length = list.ends[i] - start;
  list.lines.erase(start, length);
  list.ends.erase(list.ends.begin() + index);
  for (auto it = list.ends.begin() + index; it != list.ends.end(); ++it) *it -= length;
  SendMessageW(list.hwnd, LB_DELETESTRING, i, 0);
  list.counted = list.ends.size();
}

}  // namespace platform

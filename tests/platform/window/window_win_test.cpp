// SPDX-License-Identifier: Apache-2.0
// The Win32 list box holds no lines of its own (owner data): it is filled
// in bursts, draws its lines and answers screen readers from the lines kept
// beside it.
#include <gtest/gtest.h>

#include <string>

#include "platform/window/win32/win32_window.h"
#include "platform/window/window.h"

namespace {

TEST(ListBoxWin32Test, ABurstOfLinesIsCountedDrawnAndReadAfterOneTurnOfTheEventLoop) {
  platform::Form form{"T", 3000, 3000, {"Arial", 9.75, false, 0}};
  auto& list = platform::As<platform::ListBox>(
      form.Create({.kind = platform::ControlKind::ListBox, .name = "L", .width = 2500, .height = 1500}));
  form.FinishCreation();
  form.Show();
  for (int i = 0; i < 1000; ++i) list.AddItem("line " + std::to_string(i));
  list.SetListIndex(998);  // the line being sent: selected and scrolled into view
  list.RemoveItem(500);
  platform::DoEvents();

  const HWND hwnd = list.Native().hwnd;
  EXPECT_EQ(SendMessageW(hwnd, LB_GETCOUNT, 0, 0), 999);
  EXPECT_EQ(list.ListIndex(), 997);
  EXPECT_EQ(list.List(500), "line 501");
  // What screen readers read of each line.
  for (const auto& [index, text] : {std::pair{0, L"line 0"}, {500, L"line 501"}, {998, L"line 999"}}) {
    wchar_t read[32] = {};
    EXPECT_EQ(SendMessageW(hwnd, LB_GETTEXTLEN, index, 0), lstrlenW(text));
    EXPECT_EQ(SendMessageW(hwnd, LB_GETTEXT, index, reinterpret_cast<LPARAM>(read)), lstrlenW(text));
    EXPECT_STREQ(read, text);
  }
  EXPECT_EQ(SendMessageW(hwnd, LB_GETTEXTLEN, 999, 0), LB_ERR);

  // Drawn again, the selected line in view and in the highlight colour.
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
  RECT line;
  ASSERT_NE(SendMessageW(hwnd, LB_GETITEMRECT, 997, reinterpret_cast<LPARAM>(&line)), LB_ERR);
  RECT inside;
  GetClientRect(hwnd, &inside);
  EXPECT_TRUE(line.top >= 0 && line.bottom <= inside.bottom) << line.top << " " << line.bottom;
  HDC dc = GetDC(hwnd);
  EXPECT_EQ(GetPixel(dc, line.right - 2, (line.top + line.bottom) / 2), GetSysColor(COLOR_HIGHLIGHT));
  ReleaseDC(hwnd, dc);
}

}  // namespace

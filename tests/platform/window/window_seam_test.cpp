// SPDX-License-Identifier: Apache-2.0
// The window layer's seam, alike on every back end: values and events of
// the controls, and binding them by name and kind.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/run_time_error.h"
#include "platform/window/window.h"

namespace {

using platform::ControlKind;

class WindowSeamTest : public ::testing::Test {
 protected:
  platform::Form form_{"T", 3000, 3000, {"Arial", 9.75, false, 0}};
};

TEST_F(WindowSeamTest, CheckBoxTakesZeroOneTwoAndRaisesItsClickOnEveryChange) {
  auto& box = platform::As<platform::CheckBox>(form_.Create(
      {.kind = ControlKind::CheckBox, .name = "C", .caption = "Box", .width = 1000, .height = 300, .value = 1}));
  int clicks = 0;
  box.OnClick([&] { ++clicks; });
  EXPECT_EQ(box.Value(), 1);
  box.SetValue(1);
  EXPECT_EQ(clicks, 0);  // no change, no click
  box.SetValue(2);
  EXPECT_EQ(box.Value(), 2);
  EXPECT_EQ(clicks, 1);
  for (int refused : {3, 7, -1}) {
    EXPECT_THROW(box.SetValue(refused), platform::RunTimeError);
    EXPECT_EQ(box.Value(), 2);
  }
}

TEST_F(WindowSeamTest, ListKeepsOrderAndOneSelection) {
  auto& list = platform::As<platform::ListBox>(
      form_.Create({.kind = ControlKind::ListBox, .name = "L", .width = 2000, .height = 2000}));
  EXPECT_EQ(list.NewIndex(), -1);
  for (const char* s : {"b", "a", "c"}) list.AddItem(s);
  EXPECT_EQ(list.ListCount(), 3);
  EXPECT_EQ(list.List(0), "b");
  EXPECT_EQ(list.List(2), "c");
  EXPECT_EQ(list.List(3), "");
  EXPECT_EQ(list.NewIndex(), 2);
  EXPECT_EQ(list.ListIndex(), -1);
  list.SetListIndex(1);
  EXPECT_EQ(list.ListIndex(), 1);
  list.SetListIndex(2);
  EXPECT_EQ(list.ListIndex(), 2);
  // Selected moves the selection as ListIndex does, raising the click
  // event on a change only; deselecting another line changes nothing.
  int clicks = 0;
  list.OnClick([&] { ++clicks; });
  list.SetSelected(0, true);
  EXPECT_EQ(list.ListIndex(), 0);
  list.SetSelected(0, true);
  list.SetSelected(2, false);
  EXPECT_EQ(list.ListIndex(), 0);
  EXPECT_EQ(clicks, 1);
  list.SetSelected(0, false);
  EXPECT_EQ(list.ListIndex(), -1);
  EXPECT_EQ(clicks, 2);
  EXPECT_THROW(list.SetListIndex(3), platform::RunTimeError);
  EXPECT_THROW(list.SetSelected(5, false), platform::RunTimeError);
  list.Clear();
  EXPECT_EQ(list.ListCount(), 0);
  EXPECT_EQ(list.NewIndex(), -1);
  // Text outside Latin-1 stays whole.
  list.AddItem("\xe8\xab\x8b\xe6\xb1\x82\xe6\x9b\xb8.prn");
  EXPECT_EQ(list.List(0), "\xe8\xab\x8b\xe6\xb1\x82\xe6\x9b\xb8.prn");
}

// Binding a control under another kind, or a name the window lacks, is a
// programming error that says which control it concerns.
TEST_F(WindowSeamTest, AControlIsBoundOnlyByItsNameAndKind) {
  auto& list = platform::As<platform::ListBox>(form_.Create({.kind = ControlKind::ListBox, .name = "List_File"}));
  form_.Create({.kind = ControlKind::Label, .name = "Label1", .index = 2});
  EXPECT_EQ(&form_.Named<platform::ListBox>("List_File"), &list);
  const auto failure = [&](auto bind) {
    try {
      bind();
    } catch (const std::logic_error& error) {
      return std::string(error.what());
    }
    return std::string("bound");
  };
  EXPECT_EQ(failure([&] { form_.Named<platform::CheckBox>("List_File"); }),
            "control List_File is a list box, not a check box");
  EXPECT_EQ(failure([&] { form_.Named<platform::CommandButton>("Label1", 2); }),
            "control Label1(2) is a label, not a command button");
  EXPECT_EQ(failure([&] { form_.Named<platform::Label>("Label1", 0); }), "no control Label1(0) on the window");
}

}  // namespace

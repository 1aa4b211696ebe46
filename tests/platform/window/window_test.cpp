// SPDX-License-Identifier: Apache-2.0
// The window layer on real widgets.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QScrollBar>
#include <QMessageBox>
#include <QScreen>
#include <QTest>

#include "platform/run_time_error.h"
#include "platform/window/qt/qt_widget.h"
#include "platform/window/window.h"
#include "support/list_lines.h"
#include "support/message_catcher.h"

namespace {

using platform::ControlKind;
using platform::ControlSpec;

TEST(TwipsToPixels, FifteenTwipsAPixelWithRoundedEdges) {
  struct Case {
    double start, length;
    int px_start, px_length;
  } cases[] = {{0, 0, 0, 0},      {1845, 1, 123, 0},     {1845, 187, 123, 12}, {1800, 3495, 120, 233},
               {0, 7.4, 0, 0},    {0, 7.6, 0, 1},        {10, 10, 1, 0},       {-30, 60, -2, 4}};
  for (const auto& c : cases) {
    const auto span = platform::TwipsToPixels(c.start, c.length);
    EXPECT_EQ(span.start, c.px_start) << c.start << "+" << c.length;
    EXPECT_EQ(span.length, c.px_length) << c.start << "+" << c.length;
  }
}

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() : form_("T", 3000, 3000, {"Arial", 9.75, false, 0}) {}
  platform::Form form_;
};

TEST_F(WindowTest, GeometryKeepsSinglePrecisionTwipsExactly) {
  auto& label = platform::As<platform::Label>(
      form_.Create({.kind = ControlKind::Label, .name = "L", .left = 10, .top = 20, .width = 300, .height = 40}));
  label.SetLeft(1010.123456789);
  EXPECT_EQ(label.Left(), 1010.123456789f);
  label.SetWidth(2020);
  EXPECT_EQ(label.Width(), 2020);
  EXPECT_EQ(platform::QtWidget(label)->geometry(), QRect(67, 1, 135, 3));
  EXPECT_THROW(label.SetWidth(-1), platform::RunTimeError);
  form_.Show();
  form_.SetWidth(4597.5);
  EXPECT_EQ(form_.Width(), 4597.5f);
  form_.SetLeft(1234);
  EXPECT_EQ(form_.Left(), 1234);
  platform::QtWidget(form_)->move(300, 0);  // moved by the user: read from the window again
  EXPECT_EQ(form_.Left(), 4500);
}

TEST_F(WindowTest, AUsersClickTogglesACheckBoxBetweenClearAndTicked) {
  auto& box = platform::As<platform::CheckBox>(form_.Create(
      {.kind = ControlKind::CheckBox, .name = "C", .caption = "Box", .width = 1000, .height = 300, .value = 2}));
  int clicks = 0;
  box.OnClick([&] { ++clicks; });
  // A user's click never produces greyed: from greyed or ticked it clears,
  // from clear it ticks.
  form_.Show();
  QTest::mouseClick(platform::QtWidget(box), Qt::LeftButton, {}, QPoint(8, 8));
  EXPECT_EQ(box.Value(), 0);
  QTest::mouseClick(platform::QtWidget(box), Qt::LeftButton, {}, QPoint(8, 8));
  EXPECT_EQ(box.Value(), 1);
  QTest::mouseClick(platform::QtWidget(box), Qt::LeftButton, {}, QPoint(8, 8));
  EXPECT_EQ(box.Value(), 0);
  EXPECT_EQ(clicks, 3);
}

TEST_F(WindowTest, LabelShowsOneAmpersandForTwoAndNoneForAnAccessKeyMark) {
  auto& label = platform::As<platform::Label>(
      form_.Create({.kind = ControlKind::Label, .name = "L", .caption = "(Drag && Drop)"}));
  auto* qlabel = static_cast<QLabel*>(platform::QtWidget(label));
  EXPECT_EQ(qlabel->text(), "(Drag & Drop)");
  label.SetCaption("&File && &&more&");
  EXPECT_EQ(qlabel->text(), "File & &more");
  EXPECT_EQ(label.Caption(), "&File && &&more&");
}

// Lines appended in a burst reach the view together at the next turn of the
// event loop, whole and in order, however they repeat or shorten the line
// before; a line selected far down is scrolled into view, and the view
// scrolls sideways as far as the longest line.
TEST_F(WindowTest, ABurstOfLinesReachesTheViewInOneTurnInOrderAndSelectionScrolls) {
  auto& list = platform::As<platform::ListBox>(
      form_.Create({.kind = ControlKind::ListBox, .name = "L", .width = 2000, .height = 1000}));
  form_.Show();
  std::vector<std::string> lines;
  for (int i = 0; i < 5000; ++i) {
    const std::string previous = lines.empty() ? "" : lines.back();
    lines.push_back(i % 7 == 3   ? ""
                    : i % 5 == 1 ? previous
                    : i % 11 == 2 ? previous.substr(0, previous.size() / 2)
                                  : "/jobs/batch " + std::to_string(i / 100) + "/job" + std::to_string(i) + ".prn");
  }
  lines[2500] = std::string(70000, 'W');  // longer than a storage block
  lines[2501] = "/jobs/\xe8\xab\x8b\xe6\xb1\x82\xe6\x9b\xb8.prn";
  for (const auto& line : lines) list.AddItem(line);
  auto* view = static_cast<QAbstractItemView*>(platform::QtWidget(list));
  EXPECT_EQ(view->model()->rowCount(), 0);
  QCoreApplication::processEvents();
  ASSERT_EQ(view->model()->rowCount(), 5000);
  EXPECT_EQ(view->model()->index(2501, 0).data().toString().toStdString(), lines[2501]);
  EXPECT_EQ(testsupport::Lines(list), lines);
  EXPECT_GT(view->horizontalScrollBar()->maximum(), 60000);

  list.SetListIndex(4000);
  const QRect shown = view->visualRect(view->model()->index(4000, 0));
  EXPECT_TRUE(shown.top() >= 0 && shown.bottom() < view->viewport()->height()) << shown.top();
  list.RemoveItem(16);
  lines.erase(lines.begin() + 16);
  EXPECT_EQ(testsupport::Lines(list), lines);
  EXPECT_EQ(list.ListIndex(), 3999);
}

TEST(RunHandler, ShowsTheErrorThatEndsAHandlerAndGoesOn) {
  testsupport::MessageCatcher catcher;
  bool after = false;
  platform::RunHandler([] { throw platform::MakeError(platform::kErrSubscriptOutOfRange); });
  platform::RunHandler([] { throw std::runtime_error("unexpected"); });
  platform::RunHandler([&] { after = true; });
  EXPECT_TRUE(after);
  ASSERT_EQ(catcher.Messages().size(), 2u);
  EXPECT_EQ(catcher.Messages()[0].title, "Torvane");
  EXPECT_EQ(catcher.Texts()[0], "Run-time error '9':\n\nSubscript out of range");
  EXPECT_TRUE(catcher.Messages()[0].only_ok);
  EXPECT_TRUE(catcher.Messages()[0].no_icon);
  EXPECT_EQ(catcher.Texts()[1], "Run-time error '51':\n\nInternal error: unexpected");
}

TEST(ShowMessage, ALongListStaysOnTheScreenUnderItsSummary) {
  std::string report = "These files were not sent:\n";
  for (int i = 0; i < 300; ++i) report += "\n/home/user/jobs/file-" + std::to_string(i) + ".prn \xE2\x80\x94 not measured";
  testsupport::MessageCatcher catcher;
  platform::ShowMessage(report);
  ASSERT_EQ(catcher.Messages().size(), 1u);
  const auto& box = catcher.Messages()[0];
  EXPECT_EQ(box.text.toStdString(), report);
  EXPECT_LE(box.height, QGuiApplication::primaryScreen()->availableGeometry().height());
  EXPECT_TRUE(box.only_ok && box.no_icon && box.title == "Torvane");
}

}  // namespace

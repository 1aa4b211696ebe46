// SPDX-License-Identifier: Apache-2.0
// Resizing scales every control from its geometry at load.
#include <QApplication>

#include "app/app_fixture.h"
#include "app/proportional_layout.h"
#include "platform/run_time_error.h"
#include "support/window_driver.h"

namespace apptest {
namespace {

TEST(LayoutRatio, QuotientPlusOneHundredth) {
  EXPECT_DOUBLE_EQ(app::LayoutRatio(9075, 9075), 1.01);
  EXPECT_DOUBLE_EQ(app::LayoutRatio(18150, 9075), 2.01);
  EXPECT_DOUBLE_EQ(app::LayoutRatio(4537.5, 9075), 0.51);
  EXPECT_THROW(app::LayoutRatio(100, 0), platform::RunTimeError);
}

// The geometry every control should have for the given ratios.
void ExpectScaled(app::KelPrnPrint& window, double h, double v) {
  const auto& geom = window.Layout().CtlGeom;
  std::size_t k = 0;
  for (const auto* c : window.Form().Controls()) {
    SCOPED_TRACE(c->Name() + std::to_string(c->Index()));
    const auto& g = geom[k++];
    if (g[0] * h >= 1) {
      EXPECT_EQ(c->Width(), static_cast<float>(g[0] * h));
    }
    if (g[1] * v >= 1) {
      EXPECT_EQ(c->Height(), static_cast<float>(g[1] * v));
    }
    EXPECT_EQ(c->Left(), static_cast<float>(g[2] * h));
    EXPECT_EQ(c->Top(), static_cast<float>(g[3] * v));
  }
}

// The ratios for the window's inner size now.
double HorizontalNow(app::KelPrnPrint& window) { return static_cast<double>(window.Form().ScaleWidth()) / 9075 + 0.01; }
double VerticalNow(app::KelPrnPrint& window) { return static_cast<double>(window.Form().ScaleHeight()) / 4005 + 0.01; }

void ResizeInner(app::KelPrnPrint& window, int width_px, int height_px) {
  testsupport::ResizeInner(window.Form(), width_px, height_px);
}

TEST_F(AppTest, AtTheLoadSizeEveryControlIsOnePercentLargerAndFurtherOut) {
  auto& window = Start();
  window.Form_Resize();
  // The initial height is below the minimum outer height, so the first
  // layout makes the window that high; the width stays the load width.
  EXPECT_EQ(window.Form().Height(), 4597.5f);
  EXPECT_EQ(window.Form().ScaleWidth(), 9075);
  ExpectScaled(window, 1.01, VerticalNow(window));
  EXPECT_EQ(window.But_Out.Left(), static_cast<float>(7200 * 1.01));
  EXPECT_EQ(window.But_Out.Width(), static_cast<float>(1695 * 1.01));
  // The nested percentage is scaled in the fill's own coordinates; a zero
  // position stays zero.
  EXPECT_EQ(window.Lb_per[0]->Left(), 0);
  EXPECT_EQ(window.Lb_per[0]->Top(), static_cast<float>(20 * VerticalNow(window)));
  // Laid out again, nothing moves further: the result depends on the size only.
  window.Form_Resize();
  ExpectScaled(window, 1.01, VerticalNow(window));
}

TEST_F(AppTest, ResizingTheWindowScalesFromTheLoadGeometry) {
  auto& window = Start();
  ResizeInner(window, 1210, 534);  // twice as wide and high
  EXPECT_EQ(window.Form().ScaleWidth(), 18150);
  ExpectScaled(window, 2.01, 2.01);
  ResizeInner(window, 400, 801);  // narrower, three times as high
  ExpectScaled(window, 400 * 15 / 9075.0 + 0.01, 3.01);
}

TEST_F(AppTest, TheProgressFillFollowsItsRecordedOneTwip) {
  auto& window = Start();
  window.Pict_Progress.SetWidth(2500);  // as a finished job leaves it
  window.Form_Resize();
  EXPECT_EQ(window.Pict_Progress.Width(), static_cast<float>(1.01));
  // Narrower than 99 % of the load width: the fill keeps its width.
  window.Pict_Progress.SetWidth(2500);
  ResizeInner(window, 500, 267);
  EXPECT_EQ(window.Pict_Progress.Width(), 2500);
  EXPECT_EQ(window.Pict_Progress.Left(), static_cast<float>(1845 * (7500.0 / 9075 + 0.01)));
}

TEST_F(AppTest, TheWindowCannotBeMadeSmallerThanTheMinimum) {
  auto& window = Start();
  ResizeInner(window, 4000 / 15, 200);  // 3990 x 3000 twips
  EXPECT_EQ(window.Form().Width(), 4597.5f);
  EXPECT_EQ(window.Form().Height(), 4597.5f);
  // The inner area is the outer size less the frame.
  EXPECT_GT(window.Form().ScaleWidth(), 4400);
  EXPECT_LT(window.Form().ScaleWidth(), 4597.5);
  ExpectScaled(window, HorizontalNow(window), VerticalNow(window));
  // Exactly at the minimum it is set again, harmlessly.
  window.Form_Resize();
  EXPECT_EQ(window.Form().Width(), 4597.5f);
}

TEST_F(AppTest, AMinimizedWindowIsNotLaidOut) {
  auto& window = Start();
  window.Form_Resize();
  const float width_before = window.List_File.Width();
  window.Form().SetState(platform::WindowState::Minimized);
  QApplication::processEvents();
  if (window.Form().State() != platform::WindowState::Minimized) {
    GTEST_SKIP() << "the window system did not minimize the window, so its layout while minimized cannot be seen";
  }
  testsupport::ResizeInner(window.Form(), 1210, 534);
  window.Form_Resize();
  EXPECT_EQ(window.List_File.Width(), width_before);
}

TEST_F(AppTest, ARestoredWindowIsLaidOutAndAHiddenOneIsNot) {
  auto& window = Start();
  window.Form().SetState(platform::WindowState::Minimized);
  QApplication::processEvents();
  // Restored, it is laid out for its size.
  window.Form().SetState(platform::WindowState::Normal);
  testsupport::ResizeInner(window.Form(), 1210, 534);
  ExpectScaled(window, 2.01, 2.01);
  const float width_shown = window.List_File.Width();

  testsupport::SetShown(window.Form(), false);
  testsupport::ResizeInner(window.Form(), 907, 400);
  window.Form_Resize();
  EXPECT_EQ(window.List_File.Width(), width_shown);
  // Shown again, the next resize lays everything out for the new size.
  testsupport::SetShown(window.Form(), true);
  QApplication::processEvents();
  window.Form_Resize();
  ExpectScaled(window, HorizontalNow(window), VerticalNow(window));
  EXPECT_EQ(window.Form().ScaleWidth(), 907 * 15);
}

}  // namespace
}  // namespace apptest

// SPDX-License-Identifier: Apache-2.0
// The progress bar as it is drawn: the percentage reads white on blue where
// the fill covers it and black beyond, changing colour at the fill's edge.
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "app/app_fixture.h"
#include "platform/window/qt/qt_widget.h"

namespace apptest {
namespace {

struct BarPixels {
  int blue = 0;         // the fill
  int light_text = 0;   // white text over the fill
  int dark_text = 0;    // black text over the frame
  int blue_tinted = 0;  // anything with a blue cast (fill or text over it)
};

bool IsBlueCast(QColor c) { return c.blue() > c.red() + 40 && c.blue() > c.green() + 40; }

// Counts pixels of the text line inside the frame, in columns [x0, x1).
BarPixels Count(const QImage& image, int x0, int x1, int y0, int y1) {
  BarPixels p;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c == QColor(0, 0, 255)) ++p.blue;
      if (IsBlueCast(c)) ++p.blue_tinted;
      // White text blended into the blue fill: grey-white with full blue.
      if (c != QColor(0, 0, 255) && c.blue() > 200 && c.red() > 100 && c.red() == c.green()) ++p.light_text;
      if (c.red() < 90 && c.green() < 90 && c.blue() < 90) ++p.dark_text;
    }
  }
  return p;
}

class ProgressRenderTest : public AppTest {
 protected:
  QImage Render(app::KelPrnPrint& window) { return platform::QtWidget(window.Form())->grab().toImage(); }
  // Pixel columns of the fill's right edge and rows of the text line.
  int FillEnd(app::KelPrnPrint& window) {
    const QWidget* fill = platform::QtWidget(window.Pict_Progress);
    return fill->x() + fill->width();
  }
};

TEST_F(ProgressRenderTest, ZeroFortyAndAHundredPercent) {
  auto& window = Start();
  const QWidget* frame = platform::QtWidget(window.Lb_Bar);
  const int left = frame->x() + 2, right = frame->x() + frame->width() - 2;
  const int top = platform::QtWidget(*window.Lb_per[1])->y(), bottom = top + platform::QtWidget(*window.Lb_per[1])->height();

  window.ResetProgress();
  QImage image = Render(window);
  BarPixels all = Count(image, left, right, top, bottom);
  EXPECT_EQ(all.blue_tinted, 0);
  EXPECT_GT(all.dark_text, 10);  // "0%" in black

  window.SetProgress(100000, 250000);
  EXPECT_EQ(window.Lb_per[1]->Caption(), std::string(26, ' ') + " 40%");
  image = Render(window);
  const int edge = FillEnd(window);
  EXPECT_NEAR(window.Pict_Progress.Width(), window.Lb_Bar.Width() * 0.97 * 0.4, 0.01);
  const BarPixels filled = Count(image, left + 2, edge, top, bottom);
  const BarPixels beyond = Count(image, edge, right, top, bottom);
  EXPECT_GT(filled.blue, (edge - left - 2) * (bottom - top) / 2);
  EXPECT_EQ(filled.dark_text, 0);
  EXPECT_EQ(beyond.blue_tinted, 0);
  EXPECT_GT(beyond.dark_text, 10);  // " 40%" lies beyond the fill, in black

  window.SetProgress(10, 10);
  image = Render(window);
  const BarPixels full = Count(image, left + 2, FillEnd(window), top, bottom);
  EXPECT_EQ(full.dark_text, 0);
  EXPECT_GT(full.light_text, 10);  // "100%" in white on blue
}

TEST_F(ProgressRenderTest, TheTextChangesColourExactlyAtTheFillsEdge) {
  auto& window = Start();
  window.SetProgress(10, 10);
  // Find the text's columns at 100 %, then put the fill's edge through the middle of them.
  QImage image = Render(window);
  const int top = platform::QtWidget(*window.Lb_per[1])->y(), bottom = top + platform::QtWidget(*window.Lb_per[1])->height();
  int first = -1, last = -1;
  for (int x = platform::QtWidget(window.Pict_Progress)->x(); x < FillEnd(window); ++x) {
    for (int y = top; y < bottom; ++y) {
      if (image.pixelColor(x, y) != QColor(0, 0, 255)) {
        if (first < 0) first = x;
        last = x;
      }
    }
  }
  ASSERT_GT(last, first);
  const int middle = (first + last) / 2;
  window.Pict_Progress.SetWidth((middle - platform::QtWidget(window.Pict_Progress)->x()) * 15.0);
  image = Render(window);
  const BarPixels covered = Count(image, first, middle, top, bottom);
  const BarPixels uncovered = Count(image, middle, last + 1, top, bottom);
  EXPECT_GT(covered.light_text, 3);
  EXPECT_EQ(covered.dark_text, 0);
  EXPECT_GT(uncovered.dark_text, 3);
  EXPECT_EQ(uncovered.blue_tinted, 0);
}

TEST_F(ProgressRenderTest, OnADarkThemeTheTextBeyondTheFillTakesTheThemesTextColour) {
  const QPalette light = QApplication::palette(), dark(QColor(53, 53, 53));  // light text on dark grey
  QApplication::setPalette(dark);
  auto& window = Start();
  QApplication::setPalette(light);
  EXPECT_EQ(platform::QtWidget(*window.Lb_per[1])->palette().color(QPalette::WindowText), dark.color(QPalette::WindowText));
  EXPECT_EQ(platform::QtWidget(*window.Lb_per[0])->palette().color(QPalette::WindowText), QColor(Qt::white));  // on blue
}

}  // namespace
}  // namespace apptest

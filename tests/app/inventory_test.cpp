// SPDX-License-Identifier: Apache-2.0
// The window as it is created, as the user meets it: its controls' order,
// containers and the progress display's geometry, captions, fonts, colours,
// states, stacking, tab order and drop targets.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>

#include "app/app_fixture.h"
#include "app/control_inventory.h"
#include "platform/window/qt/qt_widget.h"

namespace apptest {
namespace {

std::string NameOf(const platform::Control& c) { return platform::ControlName(c.Name(), c.Index()); }

TEST_F(AppTest, FifteenControlsInCreationOrderWithTheirContainersAndGeometry) {
  app::KelPrnPrint window(Services());
  std::vector<std::string> order;
  for (const auto* c : window.Form().Controls()) order.push_back(NameOf(*c));
  EXPECT_EQ(order, (std::vector<std::string>{"Pict_Progress", "Lb_per(0)", "Chk_FullPath", "Chk_add", "But_Clear",
                                             "But_End", "List_File", "List_printer", "But_Out", "Lb_per(1)",
                                             "Label2", "Label1(2)", "Label1(1)", "Label1(0)", "Lb_Bar"}));
  // The white percentage is the only control inside another: the fill.
  for (const auto* c : window.Form().Controls()) {
    const bool nested = c == window.Lb_per[0];
    EXPECT_EQ(platform::QtWidget(*c)->parentWidget(),
              nested ? platform::QtWidget(window.Pict_Progress) : platform::QtWidget(window.Form()))
        << NameOf(*c);
  }
  // The progress display's parts overlap as created, in twips and in
  // pixels (15 twips each).
  const auto geometry = [](const platform::Control& c) {
    return std::vector<float>{c.Left(), c.Top(), c.Width(), c.Height()};
  };
  EXPECT_EQ(geometry(window.Lb_Bar), (std::vector<float>{1800, 3480, 3495, 375}));
  EXPECT_EQ(geometry(window.Pict_Progress), (std::vector<float>{1845, 3540, 187, 255}));
  EXPECT_EQ(geometry(*window.Lb_per[0]), (std::vector<float>{0, 20, 3255, 255}));
  EXPECT_EQ(geometry(*window.Lb_per[1]), (std::vector<float>{1860, 3560, 3255, 195}));
  EXPECT_EQ(geometry(window.List_File), (std::vector<float>{120, 300, 8775, 1425}));
  EXPECT_EQ(platform::QtWidget(window.Form())->geometry().size(), QSize(605, 267));
  EXPECT_EQ(platform::QtWidget(window.Lb_Bar)->geometry(), QRect(120, 232, 233, 25));
}

TEST_F(AppTest, CaptionsFontsColoursAndInitialStates) {
  app::KelPrnPrint window(Services());
  const std::string percent = std::string(26, ' ') + "0%";
  EXPECT_EQ(window.Lb_per[1]->Caption(), percent);
  // The hint shows one ampersand.
  EXPECT_EQ(static_cast<QLabel*>(platform::QtWidget(*window.Label1[2]))->text(), "(Drag & Drop)");
  EXPECT_EQ(static_cast<QLabel*>(platform::QtWidget(*window.Label1[1]))->text(), "Print File List");
  EXPECT_EQ(static_cast<QPushButton*>(platform::QtWidget(window.But_Out))->text(), "Print");
  EXPECT_EQ(static_cast<QCheckBox*>(platform::QtWidget(window.Chk_add))->text(), "Add files");

  EXPECT_FALSE(window.But_Out.Enabled());
  EXPECT_TRUE(window.But_Clear.Enabled());
  EXPECT_EQ(window.Chk_FullPath.Value(), 1);
  EXPECT_EQ(window.Chk_add.Value(), 0);
  EXPECT_EQ(window.List_File.ListCount(), 0);
  EXPECT_EQ(window.List_printer.ListCount(), 0);

  // Fonts as the controls ask for them, resolved to an installed face of the same kind.
  const QFont print = platform::QtWidget(window.But_Out)->font();
  EXPECT_EQ(print.family(), "Arial");
  EXPECT_DOUBLE_EQ(print.pointSizeF(), 12);
  EXPECT_TRUE(print.bold());
  EXPECT_DOUBLE_EQ(platform::QtWidget(window.Form())->font().pointSizeF(), 9.75);
  const QFontInfo japanese(platform::QtWidget(window.List_File)->font());
  EXPECT_TRUE(QFontInfo(platform::QtWidget(window.List_File)->font()).exactMatch() ||
              QFontDatabase::writingSystems(japanese.family()).contains(QFontDatabase::Japanese))
      << japanese.family().toStdString();

  // The fill is pure blue; the two percentages white and black.
  EXPECT_EQ(platform::QtWidget(window.Pict_Progress)->palette().color(QPalette::Window), QColor(0, 0, 255));
  EXPECT_TRUE(platform::QtWidget(window.Pict_Progress)->autoFillBackground());
  EXPECT_EQ(platform::QtWidget(*window.Lb_per[0])->palette().color(QPalette::WindowText), QColor(255, 255, 255));
  EXPECT_EQ(platform::QtWidget(*window.Lb_per[1])->palette().color(QPalette::WindowText), QColor(0, 0, 0));
  EXPECT_FALSE(platform::QtWidget(*window.Lb_per[0])->autoFillBackground());
  EXPECT_FALSE(platform::QtWidget(*window.Lb_per[1])->autoFillBackground());
  EXPECT_TRUE(platform::QtWidget(window.Lb_Bar)->autoFillBackground());
  EXPECT_EQ(static_cast<QLabel*>(platform::QtWidget(window.Lb_Bar))->frameShape(), QFrame::Box);
}

TEST_F(AppTest, StackingPutsTheFillOverThePercentageOverTheFrame) {
  app::KelPrnPrint window(Services());
  const QObjectList& stack = platform::QtWidget(window.Form())->children();  // bottom first
  const auto z = [&](const platform::Control& c) { return stack.indexOf(platform::QtWidget(c)); };
  EXPECT_LT(z(window.Lb_Bar), z(*window.Lb_per[1]));
  EXPECT_LT(z(*window.Lb_per[1]), z(window.Pict_Progress));
  // So a point in the bar at 0 % shows the black percentage, and one inside
  // the fill shows the fill.
  QWidget* form = platform::QtWidget(window.Form());
  window.Pict_Progress.SetWidth(3000);
  EXPECT_EQ(form->childAt(QPoint(200, 240)), platform::QtWidget(*window.Lb_per[0]));
  EXPECT_EQ(form->childAt(QPoint(340, 240)), platform::QtWidget(*window.Lb_per[1]));
}

TEST_F(AppTest, TabOrderAndFirstFocus) {
  app::KelPrnPrint& window = Start();
  std::vector<std::string> order;
  for (const auto* c : window.Form().TabOrder()) order.push_back(NameOf(*c));
  EXPECT_EQ(order, (std::vector<std::string>{"But_Out", "List_printer", "List_File", "But_End", "Label1(0)",
                                             "Label1(1)", "Lb_Bar", "But_Clear", "Chk_add", "Label1(2)", "Label2",
                                             "Chk_FullPath", "Lb_per(1)", "Pict_Progress", "Lb_per(0)"}));
  // Qt's focus chain follows it among the controls that take the focus.
  std::vector<QWidget*> chain;
  for (QWidget* w = platform::QtWidget(window.But_Out); chain.size() < 6; w = w->nextInFocusChain()) {
    if (w->focusPolicy() != Qt::NoFocus && w->parentWidget() == platform::QtWidget(window.Form())) chain.push_back(w);
  }
  EXPECT_EQ(chain[1], platform::QtWidget(window.List_printer));
  EXPECT_EQ(chain[2], platform::QtWidget(window.List_File));
  EXPECT_EQ(chain[3], platform::QtWidget(window.But_End));
  EXPECT_EQ(chain[4], platform::QtWidget(window.But_Clear));
  EXPECT_EQ(chain[5], platform::QtWidget(window.Chk_add));
  // Print is disabled at start, so the focus goes to the printer list.
  platform::QtWidget(window.Form())->activateWindow();
  QApplication::processEvents();
  EXPECT_EQ(QApplication::focusWidget(), platform::QtWidget(window.List_printer));
}

TEST_F(AppTest, DropTargetsAcceptDropsAndTheRestLeaveThemToTheirContainer) {
  app::KelPrnPrint window(Services());
  EXPECT_TRUE(platform::QtWidget(window.Form())->acceptDrops());
  for (const auto* c : window.Form().Controls()) {
    SCOPED_TRACE(c->Name());
    EXPECT_EQ(platform::QtWidget(*c)->acceptDrops(), c->DropTarget());
  }
  EXPECT_TRUE(static_cast<QAbstractScrollArea*>(platform::QtWidget(window.List_File))->viewport()->acceptDrops());
}

TEST_F(AppTest, TheWindowCarriesItsOwnIcon) {
  app::KelPrnPrint window(Services());
  const QIcon icon = platform::QtWidget(window.Form())->windowIcon();
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(icon.availableSizes().value(0), QSize(32, 32));
}

}  // namespace
}  // namespace apptest

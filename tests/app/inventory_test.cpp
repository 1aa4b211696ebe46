// The window as it is created, as the user meets it: its controls' order,
// containers and the progress display's geometry, captions, fonts, colours,
// states, stacking, tab order and drop targets.
#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "app/app_fixture.h"
#include "app/control_inventory.h"

namespace apptest {
namespace {

std::string NameOf(const platform::Control& c) { return platform::DesignName(c.Name(), c.Index()); }

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
    EXPECT_EQ(c->Container(), nested ? &window.Pict_Progress : nullptr) << NameOf(*c);
    EXPECT_EQ(c->Widget()->parentWidget(), nested ? window.Pict_Progress.Widget() : window.Form().Widget());
  }
  // The progress display's parts overlap as designed, in twips and in
  // pixels (15 twips each).
  const auto geometry = [](const platform::Control& c) {
    return std::vector<float>{c.Left(), c.Top(), c.Width(), c.Height()};
  };
  EXPECT_EQ(geometry(window.Lb_Bar), (std::vector<float>{1800, 3480, 3495, 375}));
  EXPECT_EQ(geometry(window.Pict_Progress), (std::vector<float>{1845, 3540, 187, 255}));
  EXPECT_EQ(geometry(*window.Lb_per[0]), (std::vector<float>{0, 20, 3255, 255}));
  EXPECT_EQ(geometry(*window.Lb_per[1]), (std::vector<float>{1860, 3560, 3255, 195}));
  EXPECT_EQ(geometry(window.List_File), (std::vector<float>{120, 300, 8775, 1425}));
  EXPECT_EQ(window.Form().Widget()->geometry().size(), QSize(605, 267));
  EXPECT_EQ(window.Lb_Bar.Widget()->geometry(), QRect(120, 232, 233, 25));
}

TEST_F(AppTest, CaptionsFontsColoursAndInitialStates) {
  app::KelPrnPrint window(Services());
  const std::string percent = std::string(26, ' ') + "0%";
  EXPECT_EQ(window.Lb_per[1]->Caption(), percent);
  // The hint shows one ampersand.
  EXPECT_EQ(static_cast<QLabel*>(window.Label1[2]->Widget())->text(), "(Drag & Drop)");
  EXPECT_EQ(static_cast<QLabel*>(window.Label1[1]->Widget())->text(), "Print File List");
  EXPECT_EQ(static_cast<QPushButton*>(window.But_Out.Widget())->text(), "Print");
  EXPECT_EQ(static_cast<QCheckBox*>(window.Chk_add.Widget())->text(), "Add files");

  EXPECT_FALSE(window.But_Out.Enabled());
  EXPECT_TRUE(window.But_Clear.Enabled());
  EXPECT_EQ(window.Chk_FullPath.Value(), 1);
  EXPECT_EQ(window.Chk_add.Value(), 0);
  EXPECT_EQ(window.List_File.ListCount(), 0);
  EXPECT_EQ(window.List_printer.ListCount(), 0);

  // Fonts as designed, resolved to an installed face of the same kind.
  const QFont print = window.But_Out.Widget()->font();
  EXPECT_EQ(print.family(), "Arial");
  EXPECT_DOUBLE_EQ(print.pointSizeF(), 12);
  EXPECT_TRUE(print.bold());
  EXPECT_DOUBLE_EQ(window.Form().Widget()->font().pointSizeF(), 9.75);
  const QFontInfo japanese(window.List_File.Widget()->font());
  EXPECT_TRUE(QFontInfo(window.List_File.Widget()->font()).exactMatch() ||
              QFontDatabase::writingSystems(japanese.family()).contains(QFontDatabase::Japanese))
      << japanese.family().toStdString();

  // The fill is pure blue; the two percentages white and black.
  EXPECT_EQ(window.Pict_Progress.Widget()->palette().color(QPalette::Window), QColor(0, 0, 255));
  EXPECT_TRUE(window.Pict_Progress.Widget()->autoFillBackground());
  EXPECT_EQ(window.Lb_per[0]->Widget()->palette().color(QPalette::WindowText), QColor(255, 255, 255));
  EXPECT_EQ(window.Lb_per[1]->Widget()->palette().color(QPalette::WindowText), QColor(0, 0, 0));
  EXPECT_FALSE(window.Lb_per[0]->Widget()->autoFillBackground());
  EXPECT_FALSE(window.Lb_per[1]->Widget()->autoFillBackground());
  EXPECT_TRUE(window.Lb_Bar.Widget()->autoFillBackground());
  EXPECT_EQ(static_cast<QLabel*>(window.Lb_Bar.Widget())->frameShape(), QFrame::Box);
}

TEST_F(AppTest, StackingPutsTheFillOverThePercentageOverTheFrame) {
  app::KelPrnPrint window(Services());
  const QObjectList& stack = window.Form().Widget()->children();  // bottom first
  const auto z = [&](const platform::Control& c) { return stack.indexOf(c.Widget()); };
  EXPECT_LT(z(window.Lb_Bar), z(*window.Lb_per[1]));
  EXPECT_LT(z(*window.Lb_per[1]), z(window.Pict_Progress));
  // So a point in the bar at 0 % shows the black percentage, and one inside
  // the fill shows the fill.
  QWidget* form = window.Form().Widget();
  window.Pict_Progress.SetWidth(3000);
  EXPECT_EQ(form->childAt(QPoint(200, 240)), window.Lb_per[0]->Widget());
  EXPECT_EQ(form->childAt(QPoint(340, 240)), window.Lb_per[1]->Widget());
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
  for (QWidget* w = window.But_Out.Widget(); chain.size() < 6; w = w->nextInFocusChain()) {
    if (w->focusPolicy() != Qt::NoFocus && w->parentWidget() == window.Form().Widget()) chain.push_back(w);
  }
  EXPECT_EQ(chain[1], window.List_printer.Widget());
  EXPECT_EQ(chain[2], window.List_File.Widget());
  EXPECT_EQ(chain[3], window.But_End.Widget());
  EXPECT_EQ(chain[4], window.But_Clear.Widget());
  EXPECT_EQ(chain[5], window.Chk_add.Widget());
  // Print is disabled at start, so the focus goes to the printer list.
  window.Form().Widget()->activateWindow();
  QApplication::processEvents();
  EXPECT_EQ(QApplication::focusWidget(), window.List_printer.Widget());
}

TEST_F(AppTest, DropTargetsAcceptDropsAndTheRestLeaveThemToTheirContainer) {
  app::KelPrnPrint window(Services());
  EXPECT_TRUE(window.Form().Widget()->acceptDrops());
  for (const auto* c : window.Form().Controls()) {
    SCOPED_TRACE(c->Name());
    EXPECT_EQ(c->Widget()->acceptDrops(), c->DropTarget());
  }
  EXPECT_TRUE(static_cast<QListWidget*>(window.List_File.Widget())->viewport()->acceptDrops());
}

TEST_F(AppTest, TheWindowCarriesItsOwnIcon) {
  app::KelPrnPrint window(Services());
  const QIcon icon = window.Form().Widget()->windowIcon();
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(icon.availableSizes().value(0), QSize(32, 32));
}

}  // namespace
}  // namespace apptest

// SPDX-License-Identifier: Apache-2.0
// Files dropped anywhere on the window, delivered through the window system
// as a file manager's drop would be: Qt routes each drop to the control
// under the pointer, or to the nearest container that takes drops.
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <QWindow>

#include "app/app_fixture.h"
#include "platform/window/qt/qt_widget.h"
#include "support/list_lines.h"

namespace apptest {
namespace {

QMimeData* FilesData(const std::vector<std::string>& paths) {
  auto* data = new QMimeData;
  QList<QUrl> urls;
  for (const auto& p : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(p)));
  data->setUrls(urls);
  return data;
}

// Drags `data` onto the window at `pos` (window coordinates) and lets go;
// returns whether the window accepted the drop.
bool DropAt(QWidget* window, QPoint pos, QMimeData* data) {
  QWindow* handle = window->windowHandle();
  QDragEnterEvent enter(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(handle, &enter);
  QDragMoveEvent move(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(handle, &move);
  if (!move.isAccepted()) {
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(handle, &leave);
    delete data;
    return false;
  }
  QDropEvent drop(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(handle, &drop);
  delete data;
  return drop.isAccepted();
}

// A point inside `control` that no other control covers.
QPoint ClearPointOf(const platform::Control& control, QWidget* window) {
  QWidget* w = platform::QtWidget(control);
  for (int y = 1; y < w->height(); y += 2) {
    for (int x = 1; x < w->width(); x += 2) {
      const QPoint p = w->mapTo(window, QPoint(x, y));
      QWidget* hit = window->childAt(p);
      if (hit == w || (hit && w->isAncestorOf(hit))) return p;
    }
  }
  return {-1, -1};
}

using DropTest = AppTest;
using testsupport::Lines;

TEST_F(DropTest, ADropAnywhereOnTheWindowReplacesTheList) {
  auto& window = Start();
  QWidget* form = platform::QtWidget(window.Form());
  // The window's own background, then every control, targets or not.
  window.Pict_Progress.SetWidth(2000);  // so that the fill and its percentage show
  std::vector<std::pair<std::string, QPoint>> places = {{"background", QPoint(form->width() - 3, form->height() - 3)}};
  std::string missing;
  for (const auto* c : window.Form().Controls()) {
    const QPoint p = ClearPointOf(*c, form);
    if (p.x() >= 0) {
      places.push_back({c->Name() + std::to_string(c->Index()), p});
    } else {
      missing += c->Name() + std::to_string(c->Index()) + " ";
    }
  }
  EXPECT_EQ(missing, "");
  int n = 0;
  for (const auto& [where, pos] : places) {
    SCOPED_TRACE(where);
    window.Pict_Progress.SetWidth(2000);  // a drop resets the progress display
    const std::string a = "/tmp/jobs/a" + std::to_string(n) + ".prn", b = "/tmp/b" + std::to_string(n++) + ".prn";
    ASSERT_TRUE(DropAt(form, pos, FilesData({a, b})));
    EXPECT_EQ(Lines(window.List_File), (std::vector<std::string>{a, b}));
    EXPECT_TRUE(window.But_Out.Enabled());
    EXPECT_EQ(window.Pict_Progress.Width(), 1);
  }
}

TEST_F(DropTest, AddModeAppendsAndNonFileDragsAreRefused) {
  auto& window = Start();
  QWidget* form = platform::QtWidget(window.Form());
  const QPoint on_list = ClearPointOf(window.List_File, form);
  ASSERT_TRUE(DropAt(form, on_list, FilesData({"/x/one.prn"})));
  window.Chk_add.SetValue(1);
  window.Chk_FullPath.SetValue(0);
  ASSERT_TRUE(DropAt(form, ClearPointOf(window.Label2, form), FilesData({"/y/two.prn", "/y/sub/"})));
  EXPECT_EQ(Lines(window.List_File), (std::vector<std::string>{"one.prn", "two.prn", ""}));
  EXPECT_EQ(window.Files().FilePaths()[2], "/y/sub/");

  // Text or a web link carries no local file: the drag is not taken.
  auto* text = new QMimeData;
  text->setText("hello");
  EXPECT_FALSE(DropAt(form, on_list, text));
  auto* link = new QMimeData;
  link->setUrls({QUrl("https://example.invalid/f.prn")});
  EXPECT_FALSE(DropAt(form, on_list, link));
  EXPECT_EQ(Lines(window.List_File).size(), 3u);
}

TEST_F(DropTest, AMinimizedWindowIsRestoredAndAMaximizedOneKept) {
  auto& window = Start();
  QWidget* form = platform::QtWidget(window.Form());
  window.Form().SetState(platform::WindowState::Maximized);
  QApplication::processEvents();
  ASSERT_TRUE(DropAt(form, ClearPointOf(window.List_File, form), FilesData({"/a.prn"})));
  EXPECT_EQ(window.Form().State(), platform::WindowState::Maximized);
  window.Form().SetState(platform::WindowState::Minimized);
  QApplication::processEvents();
  window.TakeDroppedFiles({"/b.prn"});  // a drop reaching a minimized window
  EXPECT_EQ(window.Form().State(), platform::WindowState::Normal);
  EXPECT_EQ(Lines(window.List_File), (std::vector<std::string>{"/b.prn"}));
}

}  // namespace
}  // namespace apptest

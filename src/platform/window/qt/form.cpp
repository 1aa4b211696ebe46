#include "platform/window/form.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QClipboard>
#include <QGuiApplication>
#include <QShortcut>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "platform/window/qt/accessibility.h"
#include "platform/window/qt/drop_router.h"
#include "platform/window/qt/qt_text.h"
#include "platform/window/qt/qt_widget.h"

// The icon lives in this library's resources, which a static link does not
// register by itself; outside any namespace, as Qt asks.
static bool RegisterResources() {
  Q_INIT_RESOURCE(torvane);
  return true;
}

namespace platform {

class Form::Window : public QWidget {
 public:
  explicit Window(Form* form) : form_(form) {}

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    if (form_->resize_) RunHandler(form_->resize_);
  }
  void changeEvent(QEvent* event) override {
    QWidget::changeEvent(event);
    // Minimizing and restoring count as resizes, as the layout expects.
    if (event->type() == QEvent::WindowStateChange && form_->resize_) RunHandler(form_->resize_);
  }
  void closeEvent(QCloseEvent* event) override {
    // Closing is never refused: a failure while closing is shown, and the
    // window goes all the same.
    if (form_->query_unload_) RunHandler(form_->query_unload_);
    event->accept();
  }

 private:
  Form* form_;
};

Form::Form(const std::string& caption, float inner_width, float inner_height, const FontSpec& font)
    : window_(new Window(this)) {
  Present(window_, Presentation::Window);
  window_->setWindowTitle(Q(caption));
  window_->setFont(MakeFont(font));
  window_->resize(ToPixels(inner_width), ToPixels(inner_height));
  auto* router = new DropRouter(window_, &drop_);
  router->Watch(window_);

  const auto give = [this](const std::vector<std::string>& paths) {
    if (!paths.empty() && keyboard_files_) RunHandler([&] { keyboard_files_(paths); });
  };
  QObject::connect(new QShortcut(QKeySequence::Open, window_), &QShortcut::activated, window_, [this, give] {
    std::vector<std::string> paths;
    for (const QString& file : QFileDialog::getOpenFileNames(window_)) paths.push_back(file.toStdString());
    give(paths);
  });
  QObject::connect(new QShortcut(QKeySequence::Paste, window_), &QShortcut::activated, window_,
                   [give] { give(PastedFiles(QGuiApplication::clipboard()->mimeData())); });
}

Form::~Form() {
  controls_.clear();
  delete window_;
}

QWidget* QtWidget(const Form& form) { return &form.Native(); }

void Form::FinishCreation() {
  // Stacking: labels are drawn on their container's own surface, below every
  // control that has a surface of its own; within each layer the control
  // created first lies on top.
  for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
    if ((*it)->Kind() == ControlKind::Label) QtWidget(**it)->raise();
  }
  for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
    if ((*it)->Kind() != ControlKind::Label) QtWidget(**it)->raise();
  }

  // Tab order by tab index; labels and the picture box never take the focus.
  SortTabOrder();
  QWidget* previous = nullptr;
  for (Control* c : tab_order_) {
    if (QtWidget(*c)->focusPolicy() == Qt::NoFocus) continue;
    if (previous) QWidget::setTabOrder(previous, QtWidget(*c));
    previous = QtWidget(*c);
  }
}

std::string Form::Caption() const { return window_->windowTitle().toStdString(); }
void Form::SetCaption(const std::string& caption) { window_->setWindowTitle(Q(caption)); }
void Form::SetProgramIcon() {
  static const bool registered = RegisterResources();
  (void)registered;
  window_->setWindowIcon(QIcon(QStringLiteral(":/torvane/icon.png")));
}

namespace {
RememberedTwips Remember(double twips) { return {static_cast<float>(twips), ToPixels(twips)}; }
}  // namespace

float Form::Left() const { return !shown_ && set_left_ ? set_left_->twips : Recall(set_left_, window_->pos().x()); }
float Form::Top() const { return !shown_ && set_top_ ? set_top_->twips : Recall(set_top_, window_->pos().y()); }
float Form::Width() const { return Recall(set_width_, window_->frameGeometry().width()); }
float Form::Height() const { return Recall(set_height_, window_->frameGeometry().height()); }

void Form::SetLeft(double twips) {
  set_left_ = Remember(twips);
  Place();
}

void Form::SetTop(double twips) {
  set_top_ = Remember(twips);
  Place();
}

void Form::Place() {
  // Unshown, the window has no position of its own yet: moving one edge
  // would pin the other to 0. Show moves a lone edge once the window is placed.
  if (!shown_ && !(set_left_ && set_top_)) return;
  window_->move(set_left_ ? set_left_->pixels : window_->pos().x(), set_top_ ? set_top_->pixels : window_->pos().y());
}

void Form::SetWidth(double twips) {
  set_width_ = Remember(twips);
  const int frame = window_->frameGeometry().width() - window_->width();
  window_->resize(std::max(1, set_width_->pixels - frame), window_->height());
}

void Form::SetHeight(double twips) {
  set_height_ = Remember(twips);
  const int frame = window_->frameGeometry().height() - window_->height();
  window_->resize(window_->width(), std::max(1, set_height_->pixels - frame));
}

// Window managers differ in whether a minimum they are told counts the
// frame; the window's resize rule sets a smaller window back to its
// minimum (app::Form_Resize) instead.
void Form::SetMinimumSize(double, double) {}

float Form::ScaleWidth() const { return static_cast<float>(window_->width() * kTwipsPerPixel); }
float Form::ScaleHeight() const { return static_cast<float>(window_->height() * kTwipsPerPixel); }

WindowState Form::State() const {
  if (window_->isMinimized()) return WindowState::Minimized;
  if (window_->isMaximized()) return WindowState::Maximized;
  return WindowState::Normal;
}

void Form::SetState(WindowState state) {
  Qt::WindowStates states = window_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
  if (state == WindowState::Minimized) states |= Qt::WindowMinimized;
  if (state == WindowState::Maximized) states |= Qt::WindowMaximized;
  window_->setWindowState(states);
}

bool Form::Visible() const { return window_->isVisible(); }

void Form::Show() {
  const bool one_edge_pending = !shown_ && (set_left_.has_value() != set_top_.has_value());
  window_->show();
  shown_ = true;
  if (one_edge_pending) {
    // The window system places the window when it is first mapped; it is
    // exposed once that is done.
    const QDeadlineTimer deadline(1000);
    while (!window_->windowHandle()->isExposed() && !deadline.hasExpired()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    Place();
  }
  // The focus goes to the first control in tab order that can take it.
  for (Control* c : tab_order_) {
    QWidget* w = QtWidget(*c);
    if (w->isEnabled() && w->focusPolicy() != Qt::NoFocus && w->isVisibleTo(window_)) {
      w->setFocus(Qt::TabFocusReason);
      break;
    }
  }
}

void Form::Unload() { window_->close(); }

}  // namespace platform

#include "platform/window.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <new>

#include "platform/run_time_error.h"

namespace platform {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

int ToPixels(double twips) { return static_cast<int>(std::lround(twips / kTwipsPerPixel)); }

// Faces of the same kind for the designed ones, for machines that lack them.
void InstallFontSubstitutes() {
  static const bool installed = [] {
    QFont::insertSubstitutions("Arial", {"Liberation Sans", "Arimo", "Helvetica", "DejaVu Sans"});
    QFont::insertSubstitutions(QString::fromUtf8("ＭＳ Ｐゴシック"),
                               {"IPAPGothic", "IPAexGothic", "Noto Sans CJK JP", "VL PGothic", "IPAGothic"});
    return true;
  }();
  (void)installed;
}

QFont MakeFont(const FontSpec& design) {
  InstallFontSubstitutes();
  QFont font(Q(design.face));
  font.setPointSizeF(design.points);
  font.setWeight(design.bold ? QFont::Bold : QFont::Normal);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

// A label caption marks an access key with '&' and writes a literal one as
// "&&"; the label shows neither marker.
QString CaptionDisplayText(const std::string& caption) {
  QString out;
  const QString in = Q(caption);
  for (qsizetype i = 0; i < in.size(); ++i) {
    if (in[i] == u'&') {
      if (i + 1 < in.size() && in[i + 1] == u'&') {
        out += u'&';
        ++i;
      }
      continue;
    }
    out += in[i];
  }
  return out;
}

std::vector<std::string> LocalFiles(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  }
  return paths;
}

// Local files named by the lines of a text, made absolute; other lines are
// left out.
std::vector<std::string> FilesNamedIn(const QString& text) {
  std::vector<std::string> paths;
  for (QString line : text.split(u'\n')) {
    if (line.endsWith(u'\r')) line.chop(1);
    const QFileInfo file(line);
    if (!line.isEmpty() && file.exists()) paths.push_back(file.absoluteFilePath().toStdString());
  }
  return paths;
}

// What a paste offers: the files a file manager copied, or else the files
// named in the copied text.
std::vector<std::string> PastedFiles(const QMimeData* data) {
  std::vector<std::string> paths = LocalFiles(data);
  if (paths.empty() && data != nullptr && data->hasText()) paths = FilesNamedIn(data->text());
  return paths;
}

// Fits a check box's square into the box's height: the designed "Add files"
// box is lower than the style's square, which would lose its bottom edge.
class FittingIndicatorStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    const int size = QProxyStyle::pixelMetric(metric, option, widget);
    if ((metric == PM_IndicatorWidth || metric == PM_IndicatorHeight) && widget != nullptr) {
      return std::min(size, widget->height());
    }
    return size;
  }
};

// A click toggles between clear and ticked; only the program sets greyed.
class TwoStateCheckBox : public QCheckBox {
 public:
  TwoStateCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
    auto* style = new FittingIndicatorStyle(QApplication::style()->name());
    style->setParent(this);
    setStyle(style);
  }

 protected:
  void nextCheckState() override { setCheckState(checkState() == Qt::Unchecked ? Qt::Checked : Qt::Unchecked); }
};

// Return and Enter press the focused button, as Space does.
class KeyboardButton : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      click();
      return;
    }
    QPushButton::keyPressEvent(event);
  }
};

// What screen readers see of a widget where Qt's default does not fit.
enum class Presentation { Default, Hidden, ProgressBar, Window };
constexpr char kPresentation[] = "torvanePresentation";
constexpr char kProgressValue[] = "torvaneProgressValue";

Presentation PresentationOf(const QObject* object) {
  return static_cast<Presentation>(object->property(kPresentation).toInt());
}

// The top-level window is a frame named by its caption; its hidden controls
// are left out of its children.
class AccessibleWindow : public QAccessibleWidget {
 public:
  explicit AccessibleWindow(QWidget* widget) : QAccessibleWidget(widget, QAccessible::Window) {}
  int childCount() const override { return static_cast<int>(Shown().size()); }
  QAccessibleInterface* child(int index) const override {
    const QList<QWidget*> shown = Shown();
    return index >= 0 && index < shown.size() ? QAccessible::queryAccessibleInterface(shown[index]) : nullptr;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    return child ? static_cast<int>(Shown().indexOf(qobject_cast<QWidget*>(child->object()))) : -1;
  }

 private:
  QList<QWidget*> Shown() const {
    QList<QWidget*> shown;
    for (QObject* o : widget()->children()) {
      auto* w = qobject_cast<QWidget*>(o);
      if (w != nullptr && !w->isWindow() && PresentationOf(w) != Presentation::Hidden) shown.push_back(w);
    }
    return shown;
  }
};

class AccessibleProgressBar : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit AccessibleProgressBar(QWidget* widget) : QAccessibleWidget(widget, QAccessible::ProgressBar) {}
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }
  QVariant currentValue() const override { return widget()->property(kProgressValue).toInt(); }
  void setCurrentValue(const QVariant&) override {}
  QVariant maximumValue() const override { return 100; }
  QVariant minimumValue() const override { return 0; }
  QVariant minimumStepSize() const override { return 1; }
};

QAccessibleInterface* PresentationFactory(const QString&, QObject* object) {
  auto* widget = qobject_cast<QWidget*>(object);
  if (widget == nullptr) return nullptr;
  switch (PresentationOf(widget)) {
    case Presentation::Window: return new AccessibleWindow(widget);
    case Presentation::ProgressBar: return new AccessibleProgressBar(widget);
    default: return nullptr;
  }
}

void Present(QWidget* widget, Presentation presentation) {
  static const bool installed = [] {
    QAccessible::installFactory(PresentationFactory);
    return true;
  }();
  (void)installed;
  widget->setProperty(kPresentation, static_cast<int>(presentation));
}

}  // namespace

PixelSpan TwipsToPixels(double start_twips, double length_twips) {
  const int start = ToPixels(start_twips);
  const int end = ToPixels(start_twips + length_twips);
  return {start, std::max(0, end - start)};
}

// Delivers drops to the drop handler of a control or of the window. A widget
// that is not a drop target does not accept drops, so Qt hands a drop over it
// to its parent: in the end the window.
class DropRouter : public QObject {
 public:
  DropRouter(QObject* parent, DropHandler* handler) : QObject(parent), handler_(handler) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* drag = static_cast<QDropEvent*>(event);
        // A drag that carries no local file (text, a web link) is refused.
        if (LocalFiles(drag->mimeData()).empty()) {
          drag->ignore();
        } else {
          drag->acceptProposedAction();
        }
        return true;
      }
      case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const auto paths = LocalFiles(drop->mimeData());
        if (paths.empty()) {
          drop->ignore();
          return true;
        }
        drop->acceptProposedAction();
        if (*handler_) RunHandler([&] { (*handler_)(paths); });
        return true;
      }
      default:
        return QObject::eventFilter(watched, event);
    }
  }

  // Makes `widget` (and, for a scroll area, its viewport) a drop target.
  void Watch(QWidget* widget) {
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(widget)) {
      area->viewport()->setAcceptDrops(true);
      area->viewport()->installEventFilter(this);
    }
  }

 private:
  DropHandler* handler_;
};

// ---------------------------------------------------------------- Control

Control::Control(const ControlSpec& design, Control* container, QWidget* widget)
    : design_(design),
      container_(container),
      widget_(widget),
      left_(design.left),
      top_(design.top),
      width_(design.width),
      height_(design.height) {
  ApplyGeometry();
}

Control::~Control() = default;

void Control::ApplyGeometry() {
  const PixelSpan x = TwipsToPixels(left_, width_);
  const PixelSpan y = TwipsToPixels(top_, height_);
  widget_->setGeometry(x.start, y.start, x.length, y.length);
}

void Control::SetLeft(double twips) {
  left_ = static_cast<float>(twips);
  ApplyGeometry();
}
void Control::SetTop(double twips) {
  top_ = static_cast<float>(twips);
  ApplyGeometry();
}
void Control::SetWidth(double twips) {
  if (twips < 0) throw MakeError(kErrInvalidPropertyValue, design_.name + ".Width");
  width_ = static_cast<float>(twips);
  ApplyGeometry();
}
void Control::SetHeight(double twips) {
  if (twips < 0) throw MakeError(kErrInvalidPropertyValue, design_.name + ".Height");
  height_ = static_cast<float>(twips);
  ApplyGeometry();
}

bool Control::Enabled() const { return widget_->isEnabled(); }
void Control::SetEnabled(bool enabled) { widget_->setEnabled(enabled); }

void Control::HideFromScreenReaders() { Present(widget_, Presentation::Hidden); }

void Control::PresentAsProgressBar(const std::string& name) {
  // Before the name: naming the widget makes Qt build its interface.
  Present(widget_, Presentation::ProgressBar);
  widget_->setProperty(kProgressValue, 0);
  widget_->setAccessibleName(Q(name));
}

void Control::SetProgressValue(int percent) {
  if (widget_->property(kProgressValue).toInt() == percent) return;
  widget_->setProperty(kProgressValue, percent);
  QAccessibleValueChangeEvent event(widget_, percent);
  QAccessible::updateAccessibility(&event);
}

std::string Label::Caption() const { return design_.caption; }
void Label::SetCaption(const std::string& caption) {
  design_.caption = caption;
  static_cast<QLabel*>(widget_)->setText(CaptionDisplayText(caption));
}

void Label::Heads(Control& control) {
  static_cast<QLabel*>(widget_)->setBuddy(control.Widget());
  control.Widget()->setAccessibleName(CaptionDisplayText(design_.caption));
}

std::string CommandButton::Caption() const { return design_.caption; }
void CommandButton::Click() { static_cast<QPushButton*>(widget_)->click(); }

std::string CheckBox::Caption() const { return design_.caption; }

int CheckBox::Value() const {
  switch (static_cast<QCheckBox*>(widget_)->checkState()) {
    case Qt::Unchecked: return 0;
    case Qt::Checked: return 1;
    default: return 2;
  }
}

void CheckBox::SetValue(int value) {
  static constexpr Qt::CheckState kStates[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
  if (value < 0 || value > 2) throw MakeError(kErrInvalidPropertyValue, design_.name + ".Value");
  // A change of value raises the click event through stateChanged.
  static_cast<QCheckBox*>(widget_)->setCheckState(kStates[value]);
}

namespace {
QListWidget* AsList(QWidget* w) { return static_cast<QListWidget*>(w); }
}  // namespace

void ListBox::AddItem(const std::string& text) {
  AsList(widget_)->addItem(Q(text));
  new_index_ = AsList(widget_)->count() - 1;
}

void ListBox::Clear() {
  AsList(widget_)->clear();
  new_index_ = -1;
}

int ListBox::ListCount() const { return AsList(widget_)->count(); }

std::string ListBox::List(int index) const {
  const QListWidgetItem* item = AsList(widget_)->item(index);
  return item ? item->text().toStdString() : std::string();
}

int ListBox::ListIndex() const {
  const auto selected = AsList(widget_)->selectedItems();
  return selected.isEmpty() ? -1 : AsList(widget_)->row(selected.front());
}

void ListBox::SetListIndex(int index) {
  QListWidget* list = AsList(widget_);
  if (index < -1 || index >= list->count()) throw MakeError(kErrInvalidPropertyValue, design_.name + ".ListIndex");
  if (index == -1) {
    list->clearSelection();
    list->setCurrentRow(-1);
  } else {
    list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
  }
}

void ListBox::SetSelected(int index, bool selected) {
  QListWidgetItem* item = AsList(widget_)->item(index);
  if (item == nullptr) throw MakeError(kErrInvalidPropertyArrayIndex, design_.name + ".Selected");
  item->setSelected(selected);
}

// ---------------------------------------------------------------- Form

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

QWidget* Form::Widget() const { return window_; }

namespace {
// A slot that raises a control's event handler, if the program set one.
auto Raise(const EventHandler& handler) {
  return [&handler] {
    if (handler) RunHandler(handler);
  };
}
}  // namespace

Control& Form::Create(const ControlSpec& design) {
  Control* container = design.container >= 0 ? order_.at(static_cast<std::size_t>(design.container)) : nullptr;
  QWidget* parent = container ? container->Widget() : window_;

  QWidget* widget = nullptr;
  std::unique_ptr<Control> control;
  switch (design.kind) {
    case ControlKind::PictureBox:
      widget = new QWidget(parent);
      widget->setFocusPolicy(Qt::NoFocus);
      control.reset(new PictureBox(design, container, widget));
      break;
    case ControlKind::Label: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      label->setText(CaptionDisplayText(design.caption));
      label->setAlignment((design.align == TextAlign::Center ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
      label->setFocusPolicy(Qt::NoFocus);
      if (design.border) label->setFrameStyle(QFrame::Box | QFrame::Plain);
      widget = label;
      control.reset(new Label(design, container, widget));
      break;
    }
    case ControlKind::CheckBox: {
      auto* box = new TwoStateCheckBox(Q(design.caption), parent);
      widget = box;
      auto* check = new CheckBox(design, container, widget);
      control.reset(check);
      check->SetValue(design.value);
      QObject::connect(box, &QCheckBox::stateChanged, box, Raise(check->click_));
      break;
    }
    case ControlKind::CommandButton: {
      auto* button = new KeyboardButton(Q(design.caption), parent);
      button->setAutoDefault(false);
      widget = button;
      auto* command = new CommandButton(design, container, widget);
      control.reset(command);
      QObject::connect(button, &QPushButton::clicked, button, Raise(command->click_));
      break;
    }
    case ControlKind::ListBox: {
      auto* list = new QListWidget(parent);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setSortingEnabled(false);
      list->setDragDropMode(QAbstractItemView::NoDragDrop);
      widget = list;
      auto* box = new ListBox(design, container, widget);
      control.reset(box);
      QObject::connect(list, &QListWidget::currentRowChanged, list, Raise(box->click_));
      break;
    }
  }

  if (design.font) widget->setFont(MakeFont(*design.font));
  QPalette palette = widget->palette();
  if (design.fore_color) {
    palette.setColor(QPalette::WindowText, ToQColor(*design.fore_color));
    palette.setColor(QPalette::Text, ToQColor(*design.fore_color));
  }
  if (design.back_color) palette.setColor(QPalette::Window, ToQColor(*design.back_color));
  widget->setPalette(palette);
  // Labels without a transparent background paint the window's colour.
  widget->setAutoFillBackground(!design.transparent && (design.kind == ControlKind::Label || design.back_color));
  widget->setEnabled(design.enabled);

  if (design.drop_target) {
    auto* router = new DropRouter(widget, &control->drop_handler_);
    router->Watch(widget);
  }

  order_.push_back(control.get());
  controls_.push_back(std::move(control));
  return *order_.back();
}

void Form::FinishCreation() {
  // Stacking: labels are drawn on their container's own surface, below every
  // control that has a surface of its own; within each layer the control
  // created first lies on top.
  for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
    if ((*it)->Kind() == ControlKind::Label) (*it)->Widget()->raise();
  }
  for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
    if ((*it)->Kind() != ControlKind::Label) (*it)->Widget()->raise();
  }

  // Tab order by tab index; labels and the picture box never take the focus.
  tab_order_.assign(order_.begin(), order_.end());
  std::stable_sort(tab_order_.begin(), tab_order_.end(),
                   [](Control* a, Control* b) { return a->TabIndex() < b->TabIndex(); });
  QWidget* previous = nullptr;
  for (Control* c : tab_order_) {
    if (c->Widget()->focusPolicy() == Qt::NoFocus) continue;
    if (previous) QWidget::setTabOrder(previous, c->Widget());
    previous = c->Widget();
  }
}

std::string Form::Caption() const { return window_->windowTitle().toStdString(); }
void Form::SetCaption(const std::string& caption) { window_->setWindowTitle(Q(caption)); }
void Form::SetIcon(const std::string& resource_path) { window_->setWindowIcon(QIcon(Q(resource_path))); }

namespace {
float Recall(const std::optional<RememberedTwips>& set, int pixels) {
  return set && set->pixels == pixels ? set->twips : static_cast<float>(pixels * kTwipsPerPixel);
}
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
    QWidget* w = c->Widget();
    if (w->isEnabled() && w->focusPolicy() != Qt::NoFocus && w->isVisibleTo(window_)) {
      w->setFocus(Qt::TabFocusReason);
      break;
    }
  }
}

void Form::Unload() { window_->close(); }

// ---------------------------------------------------------------- services

namespace {
QRect ScreenRect() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}
}  // namespace

float ScreenWidth() { return static_cast<float>(ScreenRect().width() * kTwipsPerPixel); }
float ScreenHeight() { return static_cast<float>(ScreenRect().height() * kTwipsPerPixel); }

void ShowMessage(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Torvane"), Q(text), QMessageBox::Ok,
                  QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  // A text that would make the box taller than half the screen (a long list
  // of files) shows its first paragraph; the rest goes under Show Details,
  // which scrolls. Measured at a width narrower than the box's text gets,
  // so the estimate errs on the tall side.
  const QString all = box.text();
  const int available = ScreenRect().height();
  const QRect measured = box.fontMetrics().boundingRect(QRect(0, 0, 400, available * 4), Qt::TextWordWrap, all);
  const auto paragraph = all.indexOf(QStringLiteral("\n\n"));
  const auto line = all.indexOf(QLatin1Char('\n'));
  const auto split = paragraph >= 0 ? paragraph : line;
  if (split > 0 && measured.height() > available / 2) {
    box.setText(all.left(split));
    box.setDetailedText(all.mid(split + (paragraph >= 0 ? 2 : 1)));
  }
  box.exec();
}

bool ModalOpen() { return QApplication::activeModalWidget() != nullptr; }

void DoEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void RunHandler(const EventHandler& handler) {
  try {
    handler();
  } catch (const RunTimeError& error) {
    ShowMessage(ErrorMessageText(error));
  } catch (const std::bad_alloc&) {
    ShowMessage(ErrorMessageText(MakeError(kErrOutOfMemory)));
  } catch (const std::exception& error) {
    ShowMessage(ErrorMessageText(MakeError(kErrInternal, error.what())));
  }
}

}  // namespace platform

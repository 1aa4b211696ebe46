// SPDX-License-Identifier: Apache-2.0
// Form::Create: one builder per kind of control, then one step that gives
// every control the font, colours and drop handling its ControlSpec asks for.
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QProxyStyle>
#include <QPushButton>
#include <algorithm>
#include <functional>
#include <cmath>
#include <memory>

#include "platform/window/qt/drop_router.h"
#include "platform/window/form.h"
#include "platform/window/qt/line_model.h"
#include "platform/window/qt/qt_text.h"
#include "platform/window/qt/qt_widget.h"

namespace platform {

namespace {

// Fits a check box's square into the box's height: the window's "Add files"
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

// Delete and Backspace raise the list's delete-key event.
class DeleteKeyList : public QListView {
 public:
  using QListView::QListView;
  std::function<void()> delete_key;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) && event->modifiers() == Qt::NoModifier) {
      delete_key();
      return;
    }
    QListView::keyPressEvent(event);
  }
};

// A slot that raises a control's event handler, if the program set one.
auto Raise(const EventHandler& handler) {
  return [&handler] {
    if (handler) RunHandler(handler);
  };
}

NativeControlPtr Wrap(QWidget* widget) { return NativeControlPtr(new NativeControl{widget}); }

QColor ToQColor(Rgb c) { return QColor(c.r, c.g, c.b); }

// Relative luminance and contrast ratio as the web's accessibility
// guidelines (WCAG 2) define them.
double Luminance(const QColor& c) {
  const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
  return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}
double Contrast(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A control's own text colour that would not read on the background
// beneath it (3:1 at least, the accessibility guidelines' floor for large
// text) gives way to the theme's text colour: the percentage's black beyond
// the bar's fill would vanish on a dark theme's window. On a light theme
// the control's colours stay.
QColor ReadableText(const QColor& wanted, const QColor& background, const QPalette& theme) {
  constexpr double kReadable = 3.0;
  return Contrast(wanted, background) >= kReadable ? wanted : theme.color(QPalette::WindowText);
}


}  // namespace

// Builds the control of `design` inside `parent`; reaches the controls'
// private parts.
class ControlBuilder {
 public:
  static std::unique_ptr<Control> Build(const ControlSpec& design, Control* container, QWidget* parent) {
    switch (design.kind) {
      case ControlKind::PictureBox: return BuildPictureBox(design, container, parent);
      case ControlKind::Label: return BuildLabel(design, container, parent);
      case ControlKind::CheckBox: return BuildCheckBox(design, container, parent);
      case ControlKind::CommandButton: return BuildCommandButton(design, container, parent);
      case ControlKind::ListBox: return BuildListBox(design, container, parent);
    }
    return nullptr;
  }

  // Font, colours, enabled state and drop handling, alike for every kind.
  static void ApplyAppearance(Control& control) {
    const ControlSpec& design = control.design_;
    QWidget* widget = control.native_->widget;
    if (design.font) widget->setFont(MakeFont(*design.font));
    QPalette palette = widget->palette();
    if (design.fore_color) {
      const QColor text = ReadableText(ToQColor(*design.fore_color), Background(control, palette), palette);
      palette.setColor(QPalette::WindowText, text);
      palette.setColor(QPalette::Text, text);
    }
    if (design.back_color) palette.setColor(QPalette::Window, ToQColor(*design.back_color));
    widget->setPalette(palette);
    // Labels without a transparent background paint the window's colour.
    widget->setAutoFillBackground(!design.transparent && (design.kind == ControlKind::Label || design.back_color));
    widget->setEnabled(design.enabled);

    if (design.drop_target) {
      auto* router = new DropRouter(widget, &control.drop_handler_);
      router->Watch(widget);
    }
  }

 private:
  // What shows beneath a control's text: the first background colour of its
  // own, of its container or further out, else the window's.
  static QColor Background(const Control& control, const QPalette& theme) {
    for (const Control* c = &control; c != nullptr; c = c->container_) {
      if (c->design_.back_color) return ToQColor(*c->design_.back_color);
      if (!c->design_.transparent && c->Kind() == ControlKind::Label) break;
    }
    return theme.color(QPalette::Window);
  }

  static std::unique_ptr<Control> BuildPictureBox(const ControlSpec& design, Control* container, QWidget* parent) {
    auto* widget = new QWidget(parent);
    widget->setFocusPolicy(Qt::NoFocus);
    return std::unique_ptr<Control>(new PictureBox(design, container, Wrap(widget)));
  }

  static std::unique_ptr<Control> BuildLabel(const ControlSpec& design, Control* container, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(ShownCaption(design.caption));
    label->setAlignment((design.align == TextAlign::Center ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    label->setFocusPolicy(Qt::NoFocus);
    if (design.border) label->setFrameStyle(QFrame::Box | QFrame::Plain);
    return std::unique_ptr<Control>(new Label(design, container, Wrap(label)));
  }

  static std::unique_ptr<Control> BuildCheckBox(const ControlSpec& design, Control* container, QWidget* parent) {
    auto* box = new TwoStateCheckBox(Q(design.caption), parent);
    std::unique_ptr<CheckBox> check(new CheckBox(design, container, Wrap(box)));
    check->ShowValue(design.value % 3);
    // The user's click: the box has changed its state itself.
    QObject::connect(box, &QCheckBox::clicked, box, Raise(check->click_));
    return check;
  }

  static std::unique_ptr<Control> BuildCommandButton(const ControlSpec& design, Control* container,
                                                     QWidget* parent) {
    auto* button = new KeyboardButton(Q(design.caption), parent);
    button->setAutoDefault(false);
    std::unique_ptr<CommandButton> command(new CommandButton(design, container, Wrap(button)));
    QObject::connect(button, &QPushButton::clicked, button, Raise(command->click_));
    return command;
  }

  static std::unique_ptr<Control> BuildListBox(const ControlSpec& design, Control* container, QWidget* parent) {
    auto* list = new DeleteKeyList(parent);
    auto* lines = new LineModel(list);
    list->setModel(lines);
    // One size for every line: laying out thousands of lines costs nothing
    // per line.
    list->setItemDelegate(new LongestLineDelegate(lines, list));
    list->setUniformItemSizes(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setDragDropMode(QAbstractItemView::NoDragDrop);
    std::unique_ptr<ListBox> box(new ListBox(design, container, Wrap(list)));
    // The program's changes raise the click event themselves (SetListIndex).
    QObject::connect(list->selectionModel(), &QItemSelectionModel::currentChanged, list,
                     [native = &box->Native(), &click = box->click_] {
                       if (!native->programmed && click) RunHandler(click);
                     });
    list->delete_key = [control = box.get()] { control->PressDeleteKey(); };
    return box;
  }
};

Control& Form::Create(const ControlSpec& design) {
  Control* container = design.container >= 0 ? order_.at(static_cast<std::size_t>(design.container)) : nullptr;
  QWidget* parent = container ? QtWidget(*container) : QtWidget(*this);
  std::unique_ptr<Control> control = ControlBuilder::Build(design, container, parent);
  ControlBuilder::ApplyAppearance(*control);
  order_.push_back(control.get());
  controls_.push_back(std::move(control));
  return *order_.back();
}

}  // namespace platform

#include "platform/window/qt/accessibility.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace platform {

namespace {

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

}  // namespace

void Present(QWidget* widget, Presentation presentation) {
  static const bool installed = [] {
    QAccessible::installFactory(PresentationFactory);
    return true;
  }();
  (void)installed;
  widget->setProperty(kPresentation, static_cast<int>(presentation));
}

void PresentAsProgressBar(QWidget* widget, const QString& name) {
  // Before the name: naming the widget makes Qt build its interface.
  Present(widget, Presentation::ProgressBar);
  widget->setProperty(kProgressValue, 0);
  widget->setAccessibleName(name);
}

void SetPresentedValue(QWidget* widget, int percent) {
  if (widget->property(kProgressValue).toInt() == percent) return;
  widget->setProperty(kProgressValue, percent);
  QAccessibleValueChangeEvent event(widget, percent);
  QAccessible::updateAccessibility(&event);
}

}  // namespace platform

#include "gui/shell/WindowActivationOrder.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace {

// Menus, tool tips and other popups come and go without taking a place in
// the stack of windows the user arranges.
bool IsOrderedWindow(const QObject* object) {
  if (!object->isWidgetType()) return false;
  const auto* widget = static_cast<const QWidget*>(object);
  if (!widget->isWindow()) return false;
  const Qt::WindowType type = widget->windowType();
  return type == Qt::Window || type == Qt::Dialog;
}

}  // namespace

WindowActivationOrder* WindowActivationOrder::instance() {
  static QPointer<WindowActivationOrder> order;
  if (order == nullptr && qApp != nullptr) order = new WindowActivationOrder(qApp);
  return order;
}

WindowActivationOrder::WindowActivationOrder(QObject* parent) : QObject(parent) {
  // Windows already open: visible ones in the application's order, the
  // active one in front.
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (IsOrderedWindow(widget) && widget->isVisible()) _windows.append(widget);
  if (QWidget* active = QApplication::activeWindow(); active != nullptr && IsOrderedWindow(active))
    moveToFront(active);
  qApp->installEventFilter(this);
}

QList<QWidget*> WindowActivationOrder::orderedWindows() const {
  prune();
  QList<QWidget*> windows;
  windows.reserve(_windows.size());
  for (const QPointer<QWidget>& window : _windows) windows.append(window.data());
  return windows;
}

int WindowActivationOrder::orderedIndex(const QWidget* window) const {
  if (window == nullptr || !window->isVisible()) return -1;
  prune();
  int index = 0;
  for (const QPointer<QWidget>& known : _windows) {
    if (known == window) return index;
    if (known->isVisible()) ++index;
  }
  return -1;
}

QWidget* WindowActivationOrder::frontWindow(const QWidget* except) const {
  prune();
  for (const QPointer<QWidget>& window : _windows)
    if (window != except && window->isVisible()) return window.data();
  return nullptr;
}

void WindowActivationOrder::orderFront(QWidget* window) {
  if (window == nullptr || !window->isVisible()) return;
  window->raise();
  window->activateWindow();
  moveToFront(window);
}

bool WindowActivationOrder::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type == QEvent::WindowActivate || type == QEvent::Show) && IsOrderedWindow(watched))
    moveToFront(static_cast<QWidget*>(watched));
  return QObject::eventFilter(watched, event);
}

void WindowActivationOrder::moveToFront(QWidget* window) {
  prune();
  for (qsizetype i = 0; i < _windows.size(); ++i) {
    if (_windows[i] == window) {
      _windows.move(i, 0);
      return;
    }
  }
  _windows.prepend(window);
}

void WindowActivationOrder::prune() const {
  _windows.removeIf([](const QPointer<QWidget>& window) { return window.isNull(); });
}

#pragma once
// The stacking order of the application's windows, as far as the
// application can know it. Qt reports no z-order, so the order is kept by
// activation: a window that is activated, shown or brought forward by
// orderFront moves to the front of the list. One list serves the whole
// application (every library window and its child windows).
//
// It follows the application from the first call of instance() on; the
// windows visible then are taken in, the active one in front.

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

class WindowActivationOrder : public QObject {
  Q_OBJECT

 public:
  /// The application's list, created (and watching) on first use; it lives
  /// as long as the application object. Null without a QApplication.
  static WindowActivationOrder* instance();

  /// The known top-level windows, front to back, hidden ones included.
  QList<QWidget*> orderedWindows() const;

  /// The position of `window` among the visible known windows, front to
  /// back: 0 for the frontmost. -1 when it is hidden, unknown or null.
  int orderedIndex(const QWidget* window) const;

  /// The frontmost visible window other than `except`; null when none.
  QWidget* frontWindow(const QWidget* except = nullptr) const;

  /// Brings `window` (a visible top-level window) in front of all others and
  /// makes it active. The list changes at once; the activation that the
  /// window system reports later confirms it.
  void orderFront(QWidget* window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit WindowActivationOrder(QObject* parent);
  void moveToFront(QWidget* window);
  void prune() const;

  mutable QList<QPointer<QWidget>> _windows;  // front to back
};

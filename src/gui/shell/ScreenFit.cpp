#include "gui/shell/ScreenFit.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {

QMargins ShownFrame(const QWidget* window) {
  const QRect inside = window->geometry();
  const QRect outside = window->frameGeometry();
  return QMargins(inside.left() - outside.left(), inside.top() - outside.top(), outside.right() - inside.right(),
                  outside.bottom() - inside.bottom());
}

}  // namespace

QRect FitClientInArea(const QRect& client, const QMargins& frame, const QRect& area) {
  if (area.isEmpty()) return client;
  const QRect inside = area.marginsRemoved(frame);
  const int width = std::max(1, std::min(client.width(), inside.width()));
  const int height = std::max(1, std::min(client.height(), inside.height()));
  const int x = std::clamp(client.x(), inside.left(), std::max(inside.left(), inside.right() + 1 - width));
  const int y = std::clamp(client.y(), inside.top(), std::max(inside.top(), inside.bottom() + 1 - height));
  return QRect(x, y, width, height);
}

QMargins WindowFrameMargins(const QWidget* window) {
  if (window->isVisible() && !ShownFrame(window).isNull()) return ShownFrame(window);
  for (const QWidget* other : QApplication::topLevelWidgets()) {
    if (other == window || !other->isVisible() || other->isMinimized()) continue;
    const QMargins frame = ShownFrame(other);
    if (!frame.isNull()) return frame;
  }
  return kUnknownFrameMargins;
}

QRect AvailableAreaFor(const QRect& client) {
  QScreen* screen = QGuiApplication::screenAt(client.center());
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect();
}

void SetGeometryOnScreen(QWidget* window, const QRect& client) {
  window->setGeometry(FitClientInArea(client, WindowFrameMargins(window), AvailableAreaFor(client)));
}

QPoint FrameCornerOnScreen(const QWidget* window, QPoint corner) {
  const QRect outer(corner, window->size().grownBy(WindowFrameMargins(window)));
  return FitClientInArea(outer, QMargins(), AvailableAreaFor(outer)).topLeft();
}

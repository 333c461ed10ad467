#include "gui/entry/EntryDlgPlacement.h"

#include <algorithm>

namespace {

bool OnSomeScreen(const QRect& frame, const QList<QRect>& screens) {
  return std::any_of(screens.begin(), screens.end(),
                     [&frame](const QRect& screen) { return screen.intersects(frame); });
}

QPoint Cascaded(const QRect& behind, const QSize& size, const QRect& display) {
  int x = behind.x() + kEntryDlgCascadeX;
  int y = behind.y() + kEntryDlgCascadeY;
  const int displayBottom = display.y() + display.height();
  if (y + size.height() > displayBottom || x < display.x() ||
      x + size.width() > display.x() + display.width() - kEntryDlgRightMargin) {
    x = display.x() + kEntryDlgCascadeX;
    y = displayBottom - (behind.height() + kEntryDlgCascadeY) - size.height();
    // A tall window behind would push the top edge, and with it the title
    // bar, above the display, out of the user's reach.
    y = std::max(y, display.y());
  }
  return QPoint(x, y);
}

}  // namespace

QPoint EntryDlgOrigin(const EntryDlgPlacementInput& input) {
  const FlnRect& stored = input.stored;
  const QPoint storedCorner(stored.left, stored.top);
  const bool storedVisible = OnSomeScreen(QRect(storedCorner, input.size), input.screens);
  const bool storedLarge = stored.right - stored.left > kEntryDlgStoredMinWidth &&
                           stored.bottom - stored.top > kEntryDlgStoredMinHeight;

  if (storedVisible && (storedLarge || !input.behind)) return storedCorner;
  if (input.behind) return Cascaded(*input.behind, input.size, input.display);
  return input.display.topLeft() + QPoint(kEntryDlgCascadeX, kEntryDlgCascadeY);
}

FlnRect EntryDlgFrameToFlnRect(const QRect& frame) {
  FlnRect rect;
  rect.top = static_cast<int16_t>(frame.y());
  rect.left = static_cast<int16_t>(frame.x());
  rect.bottom = static_cast<int16_t>(frame.y() + frame.height());
  rect.right = static_cast<int16_t>(frame.x() + frame.width());
  return rect;
}

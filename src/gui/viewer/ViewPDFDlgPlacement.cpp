#include "gui/viewer/ViewPDFDlgPlacement.h"

#include <algorithm>
#include <cstdint>

QRect FLNRectToNSRect(const FlnRect& stored) {
  return QRect(stored.left, stored.top, stored.right - stored.left, stored.bottom - stored.top);
}

bool IsRememberedViewerFrame(const QRect& frame) { return frame.width() > 1 && frame.height() > 1; }

QRect PlaceViewerBottomUp(const QRect& reference, QSize size, int displayWidth) {
  int x = reference.x() + kViewerOffsetX;
  int y = reference.y() + reference.height() - size.height() - kViewerOffsetY;
  const int displayWide = static_cast<int16_t>(displayWidth);
  if (y < 0 || x < 0 || x + size.width() > displayWide - kViewerRightMargin) {
    x = kViewerOffsetX;
    y = reference.height() + kViewerOffsetY;
  }
  return QRect(QPoint(x, y), size);
}

QRect PlaceViewer(const QRect& reference, QSize size, const QRect& display) {
  // y upwards from the display's bottom edge, and back.
  const int bottom = display.y() + display.height();
  const QRect referenceUp(reference.x() - display.x(), bottom - reference.y() - reference.height(),
                          reference.width(), reference.height());
  const QRect placed = PlaceViewerBottomUp(referenceUp, size, display.width());
  const int top = std::max(display.y(), bottom - placed.y() - size.height());
  return QRect(QPoint(placed.x() + display.x(), top), size);
}

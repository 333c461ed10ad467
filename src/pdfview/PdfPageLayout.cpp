#include "pdfview/PdfPageLayout.h"

#include <algorithm>
#include <cmath>

int PagesPerRow(int displayMode) {
  return displayMode == kDisplayTwoUp || displayMode == kDisplayTwoUpContinuous ? 2 : 1;
}

bool IsContinuousMode(int displayMode) {
  return displayMode == kDisplaySinglePageContinuous || displayMode == kDisplayTwoUpContinuous;
}

namespace {

QSize PixelSize(const QSizeF& points, double pixelsPerPoint) {
  return QSize(std::max(1, static_cast<int>(std::lround(points.width() * pixelsPerPoint))),
               std::max(1, static_cast<int>(std::lround(points.height() * pixelsPerPoint))));
}

}  // namespace

PdfPageLayout::PdfPageLayout(const QVector<QSizeF>& pagePointSizes, int displayMode, double pixelsPerPoint,
                             int viewportWidth, int currentPage)
    : _pagesPerRow(PagesPerRow(displayMode)), _pageRects(pagePointSizes.size()) {
  const int count = pageCount();
  if (count == 0) return;
  int firstRow = 0;
  int lastRow = rowCount() - 1;
  if (!IsContinuousMode(displayMode)) {
    firstRow = lastRow = rowOf(std::clamp(currentPage, 0, count - 1));
  }

  QVector<QSize> pixels(count);
  int widest = 0;
  for (int row = firstRow; row <= lastRow; ++row) {
    int width = 0;
    for (int page = row * _pagesPerRow; page < std::min(count, (row + 1) * _pagesPerRow); ++page) {
      pixels[page] = PixelSize(pagePointSizes[page], pixelsPerPoint);
      width += (width > 0 ? kPageGap : 0) + pixels[page].width();
    }
    widest = std::max(widest, width);
  }

  const int contentWidth = std::max(widest + 2 * kPageMargin, viewportWidth);
  int y = kPageMargin;
  for (int row = firstRow; row <= lastRow; ++row) {
    const int first = row * _pagesPerRow;
    const int end = std::min(count, first + _pagesPerRow);
    int rowWidth = 0;
    int rowHeight = 0;
    for (int page = first; page < end; ++page) {
      rowWidth += (page > first ? kPageGap : 0) + pixels[page].width();
      rowHeight = std::max(rowHeight, pixels[page].height());
    }
    int x = (contentWidth - rowWidth) / 2;
    for (int page = first; page < end; ++page) {
      _pageRects[page] = QRect(QPoint(x, y), pixels[page]);
      x += pixels[page].width() + kPageGap;
    }
    y += rowHeight + kPageGap;
  }
  _contentSize = QSize(contentWidth, y - kPageGap + kPageMargin);
}

int PdfPageLayout::rowCount() const { return (pageCount() + _pagesPerRow - 1) / _pagesPerRow; }

QRect PdfPageLayout::pageRect(int page) const {
  if (page < 0 || page >= pageCount()) return QRect();
  return _pageRects[page];
}

QRect PdfPageLayout::rowRect(int row) const {
  QRect united;
  for (int page = row * _pagesPerRow; page < (row + 1) * _pagesPerRow; ++page) united |= pageRect(page);
  return united;
}

QVector<int> PdfPageLayout::pagesIn(const QRect& area) const {
  QVector<int> pages;
  for (int page = 0; page < pageCount(); ++page)
    if (!_pageRects[page].isEmpty() && _pageRects[page].intersects(area)) pages.append(page);
  return pages;
}

int PdfPageLayout::pageAt(QPoint point) const {
  for (int page = 0; page < pageCount(); ++page)
    if (_pageRects[page].contains(point)) return page;
  return -1;
}

int PdfPageLayout::mostVisibleRowPage(const QRect& area) const {
  int best = -1;
  int bestHeight = 0;
  for (int row = 0; row < rowCount(); ++row) {
    const QRect shown = rowRect(row) & area;
    if (!shown.isEmpty() && shown.height() > bestHeight) {
      bestHeight = shown.height();
      best = row * _pagesPerRow;
    }
  }
  return best;
}

double PdfPageLayout::FitPixelsPerPoint(const QVector<QSizeF>& pagePointSizes, int displayMode, int currentPage,
                                        QSize viewport) {
  const int count = static_cast<int>(pagePointSizes.size());
  if (count == 0) return 0;
  const int perRow = PagesPerRow(displayMode);
  const bool continuous = IsContinuousMode(displayMode);
  int firstRow = 0;
  int lastRow = (count - 1) / perRow;
  if (!continuous) firstRow = lastRow = std::clamp(currentPage, 0, count - 1) / perRow;

  // One pixel less than the room, so that rounding page sizes never makes
  // the content wider (or taller) than the viewport.
  const double roomWidth = viewport.width() - 2 * kPageMargin - 1;
  const double roomHeight = viewport.height() - 2 * kPageMargin - 1;
  double fit = 0;
  bool measured = false;
  for (int row = firstRow; row <= lastRow; ++row) {
    double pointsWide = 0;
    double pointsHigh = 0;
    int pages = 0;
    for (int page = row * perRow; page < std::min(count, (row + 1) * perRow); ++page, ++pages) {
      pointsWide += pagePointSizes[page].width();
      pointsHigh = std::max(pointsHigh, pagePointSizes[page].height());
    }
    if (pointsWide <= 0 || pointsHigh <= 0) continue;
    double rowFit = (roomWidth - kPageGap * (pages - 1)) / pointsWide;
    if (!continuous) rowFit = std::min(rowFit, roomHeight / pointsHigh);
    fit = measured ? std::min(fit, rowFit) : rowFit;
    measured = true;
  }
  return std::max(0.0, fit);
}
